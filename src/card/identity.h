// A card's identity through the card writer: number, password, the combined
// issue, and the account number block.
#pragma once

namespace icbus::card {

int ReadCard(int port, int sector, int block, char* out);
int WriteCard(int port, int sector, int block, const char* number);
int WriteCardEx(int port, int sector, int block, const char* number, const char* password,
                double daily_limit);
int WriteCardAccountNo(int port, int sector, int block, const char* account);
int WriteCardPass(int port, int sector, int block, const char* password);
int ReadCardPass(int port, int sector, int block, char* out);

}  // namespace icbus::card
