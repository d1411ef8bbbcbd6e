#include "server/update_routes.h"

#include <fstream>
#include <sstream>

namespace nimbulux::portal_server {
namespace {

// What follows the signature letters of a demo archive: a RAR 4 marker block and some
// filler, enough to look like a file.
std::string ArchiveBody(const std::string& signature) {
  std::string body = signature + std::string("\x1a\x07\x00", 3);
  for (int i = 0; i < 4096; ++i) body += static_cast<char>(i * 7 & 0xff);
  return body;
}

bool ReadNotice(const std::string& file, std::string& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  bytes = all.str();
  return true;
}

}  // namespace

void AddUpdateRoutes(httplib::Server& server, const std::string& noticeFile) {
  // The update page points at the notice on the same host, after "url=".
  server.Get("/nimbulux/update.html", [](const httplib::Request& req, httplib::Response& res) {
    const std::string host = req.get_header_value("Host");
    const std::string notice = "http://" + host + "/nimbulux/notice.txt";
    res.set_content("<html><head><meta http-equiv=\"refresh\" content=\"0; url=" + notice +
                        "\"><title>Nimbulux</title></head><body><a href=\"" + notice +
                        "\">Nimbulux update</a></body></html>",
                    "text/html; charset=utf-8");
  });

  // The notice is read at every request, so a test can write it once the port is known.
  server.Get("/nimbulux/notice.txt", [noticeFile](const httplib::Request&, httplib::Response& res) {
    std::string bytes;
    if (noticeFile.empty() || !ReadNotice(noticeFile, bytes)) {
      res.status = 404;
      res.set_content("not found", "text/plain");
      return;
    }
    res.set_content(bytes, "text/plain; charset=gbk");
  });

  // /nimbulux/archive/<name>[?sig=LETTERS]: a demo archive beginning with LETTERS
  // (default "Rar!"); sig=none gives an error page instead.
  server.Get(R"(/nimbulux/archive/([^/]+))",
             [](const httplib::Request& req, httplib::Response& res) {
               std::string signature = req.has_param("sig") ? req.get_param_value("sig") : "Rar!";
               if (signature == "none") {
                 res.set_content("<html>archive missing</html>", "text/html");
                 return;
               }
               if (signature.size() > 8) signature.resize(8);
               res.set_content(ArchiveBody(signature), "application/x-rar-compressed");
             });
}

}  // namespace nimbulux::portal_server
