// Card limits: daily spending limit, top-up counter, per-meal count limit.
#pragma once

namespace icbus::card {

double ReadCardMaxConsume(int port, int sector, int block);
int WriteCardMaxConsume(int port, int sector, int block, double limit);
int ReadCardAddCount(int port, int sector, int block);
int WriteCardAddCount(int port, int sector, int block, int count);
int ReadCardMaxCC(int port, int sector, int block);
int WriteCardMaxCC(int port, int sector, int block, int limit);

}  // namespace icbus::card
