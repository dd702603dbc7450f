#include "central_fixture.h"

#include <cctype>
#include <cstdio>

namespace icbus::test_support {

PgServer* SharedServer() {
  static std::unique_ptr<PgServer> server = [] {
    if (!PgServer::MissingReason().empty()) return std::unique_ptr<PgServer>();
    auto started = std::make_unique<PgServer>();
    // Login roles of two sites; cluster-wide, so made once. The group role
    // they join is the schema's own and comes with its first migration.
    started->Psql(
        "CREATE ROLE icbus_site NOLOGIN; CREATE ROLE icbus_password NOLOGIN;"
        "CREATE ROLE north LOGIN IN ROLE icbus_site;"
        "CREATE ROLE south LOGIN IN ROLE icbus_site; CREATE ROLE stranger LOGIN IN ROLE "
        "icbus_site");
    return started;
  }();
  return server.get();
}

void CentralTest::SetUp() {
  const std::string missing = PgServer::MissingReason();
  if (!missing.empty()) GTEST_SKIP() << missing;
  server_ = SharedServer();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  database_ = std::string(info->test_suite_name()) + "_" + info->name();
  for (char& c : database_) c = std::isalnum(static_cast<unsigned char>(c)) ? std::tolower(c) : '_';
  server_->Psql("DROP DATABASE IF EXISTS " + database_);
  server_->Psql("CREATE DATABASE " + database_);
}

std::string CentralTest::Conninfo(const std::string& user) const {
  return server_->Conninfo(user, database_);
}

}  // namespace icbus::test_support

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const std::string missing = icbus::test_support::PgServer::MissingReason();
  if (!missing.empty()) {
    std::printf("SKIPPED: %s\n", missing.c_str());
    return 77;
  }
  return RUN_ALL_TESTS();
}
