// The HTTP side of icbusd: thin handlers over the site service.
//   GET  /               the status page
//   GET  /api/status     buses and terminals, as JSON
//   GET  /api/records    records (since, bus, machine, kind, after_id, limit;
//                        format=jsonl, the default, or csv)
//   GET  /api/events     events (after_id, limit), JSON lines
//   POST /api/collect    collect a bus or terminal now (bus, machine); needs
//                        the bearer token
//   GET  /metrics        Prometheus text format
#pragma once
#include <memory>
#include <string>

#include "site_service.h"

namespace httplib {
class Server;
}

namespace icbus::service {

class HttpApi {
 public:
  // `token`: what "Authorization: Bearer ..." must carry to change state;
  // empty refuses every such request.
  HttpApi(SiteService& site, std::string token, int max_connections);
  ~HttpApi();

  // Binds HOST:PORT (port 0 picks a free one). False with the reason.
  bool Bind(const std::string& listen, std::string* error);
  int port() const { return port_; }
  // Serves until Stop(); call on its own thread.
  void Serve();
  void Stop();

 private:
  void Routes();
  SiteService& site_;
  std::string token_;
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
};

// Reads the token file: its first line, without spaces around it.
bool ReadToken(const std::string& path, std::string* token, std::string* error);

}  // namespace icbus::service
