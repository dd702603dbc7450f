#include "http_api.h"

#include <httplib.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "collect/record_kinds.h"
#include "metrics.h"
#include "status_json.h"
#include "status_page.h"
#include "store/csv_field.h"

namespace icbus::service {

using site::CsvField;

namespace {

// Requests are small: a query string, no body worth the name.
constexpr std::size_t kMaxBody = 4096;

bool SameText(const std::string& a, const std::string& b) {
  // Compared in full whatever differs, so the time tells nothing.
  unsigned char differ = a.size() != b.size();
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    differ |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return differ == 0;
}

void Refuse(httplib::Response& response, int status, const std::string& message) {
  response.status = status;
  response.set_content(nlohmann::json{{"error", message}}.dump() + "\n", "application/json");
}

// A whole number from low to high, or nothing (with `*bad` set) for anything else.
std::optional<long long> Number(const httplib::Request& request, const char* name, long long low,
                                long long high, bool* bad) {
  if (!request.has_param(name)) return std::nullopt;
  const std::string text = request.get_param_value(name);
  if (text.empty() || text.size() > 18 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    *bad = true;
    return std::nullopt;
  }
  long long value = std::stoll(text);
  if (value < low || value > high) {
    *bad = true;
    return std::nullopt;
  }
  return value;
}

}  // namespace

bool ReadToken(const std::string& path, std::string* token, std::string* error) {
  std::ifstream file(path);
  if (!file) {
    *error = "cannot read the token file " + path;
    return false;
  }
  std::getline(file, *token);
  token->erase(0, token->find_first_not_of(" \t\r"));
  token->erase(token->find_last_not_of(" \t\r") + 1);
  if (token->size() < 16) {
    *error = "the token in " + path + " is shorter than 16 characters: write a longer one";
    return false;
  }
  return true;
}

HttpApi::HttpApi(SiteService& site, std::string token, int max_connections)
    : site_(site), token_(std::move(token)), server_(std::make_unique<httplib::Server>()) {
  server_->set_payload_max_length(kMaxBody);
  server_->set_read_timeout(5, 0);
  server_->set_write_timeout(5, 0);
  server_->set_keep_alive_max_count(20);
  server_->new_task_queue = [max_connections] {
    return new httplib::ThreadPool(static_cast<std::size_t>(max_connections));
  };
  Routes();
}

HttpApi::~HttpApi() = default;

bool HttpApi::Bind(const std::string& listen, std::string* error) {
  std::size_t colon = listen.rfind(':');
  std::string host = colon == std::string::npos ? "" : listen.substr(0, colon);
  std::string port = colon == std::string::npos ? "" : listen.substr(colon + 1);
  if (host.empty() || port.empty() || port.size() > 5 ||
      port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) > 65535) {
    *error =
        "listen must read HOST:PORT, such as 127.0.0.1:8480 (port 0 picks a free one), not \"" +
        listen + "\"";
    return false;
  }
  int wanted = std::stoi(port);
  port_ = wanted == 0 ? server_->bind_to_any_port(host)
                      : (server_->bind_to_port(host, wanted) ? wanted : -1);
  if (port_ <= 0) {
    *error = "cannot listen on " + listen + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

void HttpApi::Serve() { server_->listen_after_bind(); }

void HttpApi::Stop() { server_->stop(); }

void HttpApi::Routes() {
  server_->Get("/", [](const httplib::Request&, httplib::Response& response) {
    response.set_content(StatusPage(), "text/html; charset=utf-8");
  });
  server_->Get("/api/status", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(StatusJson(site_).dump() + "\n", "application/json");
  });
  server_->Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
    response.set_content(MetricsText(site_), "text/plain; version=0.0.4");
  });
  server_->Get("/api/records", [this](const httplib::Request& request,
                                      httplib::Response& response) {
    site::RecordFilter filter;
    bool bad = false;
    if (auto machine = Number(request, "machine", 0, 999, &bad))
      filter.machine = static_cast<int>(*machine);
    if (auto after = Number(request, "after_id", 0, 1LL << 62, &bad)) filter.after_id = *after;
    if (auto limit = Number(request, "limit", 1, 100000, &bad))
      filter.limit = static_cast<int>(*limit);
    filter.since = request.get_param_value("since");
    filter.bus = request.get_param_value("bus");
    filter.kind = request.get_param_value("kind");
    std::string format = request.has_param("format") ? request.get_param_value("format") : "jsonl";
    if (bad)
      return Refuse(response, 400,
                    "machine (0-999), after_id and limit (1-100000) are whole numbers");
    if (!filter.kind.empty() && !site::RecordKindByName(filter.kind)) {
      return Refuse(response, 400, "unknown kind \"" + filter.kind + "\"");
    }
    if (format != "jsonl" && format != "csv")
      return Refuse(response, 400, "format is jsonl or csv");
    std::string body =
        format == "csv" ? "id,bus,machine,kind,run,position,line,received_at\r\n" : "";
    for (const site::RecordRow& row : site_.store().Records(filter)) {
      if (format == "csv") {
        body += std::to_string(row.id) + "," + CsvField(row.bus) + "," +
                std::to_string(row.machine) + "," + row.kind + "," + std::to_string(row.run) + "," +
                std::to_string(row.position) + "," + CsvField(row.line) + "," + row.received_at +
                "\r\n";
      } else {
        body += RecordJson(row).dump() + "\n";
      }
    }
    response.set_content(body,
                         format == "csv" ? "text/csv; charset=utf-8" : "application/x-ndjson");
  });
  server_->Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
    bool bad = false;
    auto after = Number(request, "after_id", 0, 1LL << 62, &bad);
    auto limit = Number(request, "limit", 1, 100000, &bad);
    if (bad) return Refuse(response, 400, "after_id and limit (1-100000) are whole numbers");
    std::string body;
    for (const site::EventRow& row :
         site_.store().Events(after.value_or(0), static_cast<int>(limit.value_or(1000)))) {
      body += EventJson(row).dump() + "\n";
    }
    response.set_content(body, "application/x-ndjson");
  });
  server_->Post(
      "/api/collect", [this](const httplib::Request& request, httplib::Response& response) {
        if (token_.empty())
          return Refuse(response, 403, "no token_file in the site file: nothing may change state");
        if (!SameText(request.get_header_value("Authorization"), "Bearer " + token_)) {
          response.set_header("WWW-Authenticate", "Bearer");
          return Refuse(response, 401,
                        "a bearer token is needed (the one in the site file's token_file)");
        }
        bool bad = false;
        auto machine = Number(request, "machine", 0, 999, &bad);
        if (bad) return Refuse(response, 400, "machine is 0 to 999");
        std::string bus = request.get_param_value("bus");
        if (!site_.Collect(
                bus, machine ? std::optional<int>(static_cast<int>(*machine)) : std::nullopt)) {
          return Refuse(response, 404, "no such bus or terminal");
        }
        response.status = 202;
        response.set_content("{\"queued\":true}\n", "application/json");
      });
}

}  // namespace icbus::service
