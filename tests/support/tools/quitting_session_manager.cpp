// A session manager (X Session Management Protocol) of the smallest kind, for end-to-end
// tests of a log-out: it lets clients connect and register, writes "registered" to the
// file given as its first argument each time one does, and on SIGUSR1 tells every client
// to die, as a desktop's session manager does at log-out. Its address (for the clients'
// SESSION_MANAGER) goes to the file given as its second argument, and the clients' key
// (for their ICEAUTHORITY) to the file given as its third.
#include <X11/ICE/ICElib.h>
#include <X11/ICE/ICEutil.h>
#include <X11/SM/SMlib.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t g_die = 0;
const char* g_registeredFile = nullptr;
std::vector<SmsConn> g_clients;
std::vector<IceConn> g_connections;

void AppendLine(const char* file, const char* line) {
  if (FILE* f = std::fopen(file, "a")) {
    std::fprintf(f, "%s\n", line);
    std::fclose(f);
  }
}

Status RegisterClient(SmsConn conn, SmPointer, char* previousId) {
  char* id = previousId != nullptr ? previousId : SmsGenerateClientID(conn);
  if (id == nullptr) id = strdup("nimbulux-test-client");
  SmsRegisterClientReply(conn, id);
  AppendLine(g_registeredFile, "registered");
  if (id != previousId) std::free(id);
  std::free(previousId);
  return 1;
}

void SaveYourselfDone(SmsConn conn, SmPointer, Bool) { SmsSaveComplete(conn); }
void Ignore(SmsConn, SmPointer) {}
void IgnoreRequest(SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}
void IgnoreInteract(SmsConn, SmPointer, int) {}
void IgnoreInteractDone(SmsConn, SmPointer, Bool) {}
void FreeProperties(SmsConn, SmPointer, int count, SmProp** props) {
  for (int i = 0; i < count; ++i) SmFreeProperty(props[i]);
  std::free(props);
}
void FreeNames(SmsConn, SmPointer, int count, char** names) {
  for (int i = 0; i < count; ++i) std::free(names[i]);
  std::free(names);
}
void Closed(SmsConn conn, SmPointer, int count, char** reasons) {
  FreeNames(conn, nullptr, count, reasons);
  for (auto& c : g_clients) {
    if (c == conn) c = nullptr;
  }
  SmsCleanUp(conn);
}

Status NewClient(SmsConn conn, SmPointer, unsigned long* mask, SmsCallbacks* cb, char**) {
  g_clients.push_back(conn);
  *mask = 0;
  cb->register_client.callback = RegisterClient;
  cb->interact_request.callback = IgnoreInteract;
  cb->interact_done.callback = IgnoreInteractDone;
  cb->save_yourself_request.callback = IgnoreRequest;
  cb->save_yourself_phase2_request.callback = Ignore;
  cb->save_yourself_done.callback = SaveYourselfDone;
  cb->close_connection.callback = Closed;
  cb->set_properties.callback = FreeProperties;
  cb->delete_properties.callback = FreeNames;
  cb->get_properties.callback = Ignore;
  *mask = SmsRegisterClientProcMask | SmsInteractRequestProcMask | SmsInteractDoneProcMask |
          SmsSaveYourselfRequestProcMask | SmsSaveYourselfP2RequestProcMask |
          SmsSaveYourselfDoneProcMask | SmsCloseConnectionProcMask | SmsSetPropertiesProcMask |
          SmsDeletePropertiesProcMask | SmsGetPropertiesProcMask;
  return 1;
}

// Clients prove themselves with a magic cookie, as ICE asks; the cookie for every
// listening address, for the ICE and the session protocol, goes to the clients' file.
bool WriteCookies(int count, IceListenObj* listeners, const char* file) {
  static char kAuthName[] = "MIT-MAGIC-COOKIE-1";
  static char kNoData[] = "";
  static char kProtocols[][5] = {"ICE", "XSMP"};
  char* cookie = IceGenerateMagicCookie(16);
  FILE* f = std::fopen(file, "wb");
  if (cookie == nullptr || f == nullptr) return false;
  std::vector<IceAuthDataEntry> entries;
  for (int i = 0; i < count; ++i) {
    char* id = IceGetListenConnectionString(listeners[i]);
    for (char* protocol : kProtocols) {
      IceAuthFileEntry fileEntry{protocol, 0, kNoData, id, kAuthName, 16, cookie};
      IceWriteAuthFileEntry(f, &fileEntry);
      entries.push_back({protocol, id, kAuthName, 16, cookie});
    }
  }
  std::fclose(f);
  IceSetPaAuthData(static_cast<int>(entries.size()), entries.data());
  return true;
}

void OnSignal(int) { g_die = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: quitting_session_manager REGISTERED_FILE ADDRESS_FILE AUTH_FILE\n", stderr);
    return 2;
  }
  g_registeredFile = argv[1];
  char error[256] = "";
  if (!SmsInitialize("nimbulux-test", "1.0", NewClient, nullptr, nullptr, sizeof error, error)) {
    std::fprintf(stderr, "quitting_session_manager: %s\n", error);
    return 1;
  }
  int count = 0;
  IceListenObj* listeners = nullptr;
  if (!IceListenForConnections(&count, &listeners, sizeof error, error) || count == 0) {
    std::fprintf(stderr, "quitting_session_manager: %s\n", error);
    return 1;
  }
  if (!WriteCookies(count, listeners, argv[3])) {
    std::fputs("quitting_session_manager: no cookie file\n", stderr);
    return 1;
  }
  char* ids = IceComposeNetworkIdList(count, listeners);
  // Written whole, then renamed, so that a reader never sees half an address.
  const std::string temp = std::string(argv[2]) + ".tmp";
  AppendLine(temp.c_str(), ids);
  std::rename(temp.c_str(), argv[2]);
  std::free(ids);

  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigaction(SIGUSR1, &sa, nullptr);
  bool diesSent = false;
  for (;;) {
    if (g_die && !diesSent) {
      diesSent = true;
      for (SmsConn c : g_clients) {
        if (c != nullptr) SmsDie(c);
      }
    }
    std::vector<pollfd> fds;
    for (int i = 0; i < count; ++i)
      fds.push_back({IceGetListenConnectionNumber(listeners[i]), POLLIN, 0});
    for (IceConn c : g_connections) {
      if (c != nullptr) fds.push_back({IceConnectionNumber(c), POLLIN, 0});
    }
    if (poll(fds.data(), fds.size(), 100) <= 0) continue;
    for (int i = 0; i < count; ++i) {
      if (!(fds[static_cast<std::size_t>(i)].revents & POLLIN)) continue;
      IceAcceptStatus status;
      IceConn c = IceAcceptConnection(listeners[i], &status);
      if (c == nullptr) continue;
      IceConnectStatus state;
      while ((state = IceConnectionStatus(c)) == IceConnectPending) {
        if (IceProcessMessages(c, nullptr, nullptr) == IceProcessMessagesIOError) break;
      }
      if (state == IceConnectAccepted) {
        g_connections.push_back(c);
      } else {
        IceCloseConnection(c);
      }
    }
    std::size_t at = static_cast<std::size_t>(count);
    for (IceConn& c : g_connections) {
      if (c == nullptr) continue;
      if (at < fds.size() && (fds[at].revents & (POLLIN | POLLHUP | POLLERR)) &&
          IceProcessMessages(c, nullptr, nullptr) == IceProcessMessagesIOError) {
        IceCloseConnection(c);
        c = nullptr;
      }
      ++at;
    }
  }
}
