// The demo portal server (nimbulux-portal) started on 127.0.0.1 for a test, on a free
// port chosen by the server itself, and stopped with the object.
#pragma once

#include <string>
#include <vector>

namespace nimbulux::test {

class PortalProcess {
 public:
  // extraArgs are passed to the server (--fixtures DIR, --fault ..., --update-notice ...).
  // With a stderrFile the server's log, one line per request, goes there (appended);
  // without one the server logs no requests.
  explicit PortalProcess(std::vector<std::string> extraArgs = {}, std::string stderrFile = {});
  ~PortalProcess();
  PortalProcess(const PortalProcess&) = delete;
  PortalProcess& operator=(const PortalProcess&) = delete;

  int port() const { return port_; }
  // "http://127.0.0.1:<port>"
  std::string base() const;
  // Stops the server now (the port then refuses connections).
  void Stop();

  // The server's program file (NIMBULUX_PORTAL_BIN, set by CTest).
  static std::string Binary();

 private:
  int pid_ = -1;
  int port_ = 0;
};

}  // namespace nimbulux::test
