// The benchmark's web server: answers every request after a fixed pause
// with a small page head, so a run's time is dominated by waiting on the
// server, as it is with real pages. One thread per connection; the pause
// starts once the request head has arrived. Given a certificate chain and
// its key, it speaks HTTPS (OpenSSL) instead.
//
//   delay_server PORT DELAY_MS [CERT-CHAIN.pem KEY.pem]
#include <netinet/in.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// One connection's reads and writes, plain or through a TLS session.
struct TLink {
  int connection;
  SSL* tls;
  ssize_t Read(char* buffer, std::size_t size) const {
    if (tls == nullptr) return recv(connection, buffer, size, 0);
    return SSL_read(tls, buffer, static_cast<int>(size));
  }
  ssize_t Write(const char* data, std::size_t size) const {
    if (tls == nullptr) return send(connection, data, size, MSG_NOSIGNAL);
    return SSL_write(tls, data, static_cast<int>(size));
  }
};

void Serve(int connection, int delayMs, SSL_CTX* context) {
  SSL* tls = nullptr;
  if (context != nullptr) {
    tls = SSL_new(context);
    SSL_set_fd(tls, connection);
    if (SSL_accept(tls) != 1) {
      SSL_free(tls);
      close(connection);
      return;
    }
  }
  const TLink link{connection, tls};
  std::string request;
  char block[2048];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const ssize_t got = link.Read(block, sizeof block);
    if (got <= 0) break;
    request.append(block, static_cast<std::size_t>(got));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
  static const std::string response =
      "HTTP/1.1 200 OK\r\n"
      "Content-Type: text/html; charset=UTF-8\r\n"
      "Connection: close\r\n"
      "\r\n"
      "<html><head><title>\xE3\x83\x99\xE3\x83\xB3\xE3\x83\x81\xE3\x83\x9E\xE3\x83\xBC\xE3\x82\xAF</title>"
      "<meta name=\"description\" content=\"A page that takes its time.\"></head><body><p>x</p></body></html>";
  std::size_t sent = 0;
  while (sent < response.size()) {
    const ssize_t n = link.Write(response.data() + sent, response.size() - sent);
    if (n <= 0) break;
    sent += static_cast<std::size_t>(n);
  }
  if (tls != nullptr) {
    SSL_shutdown(tls);
    SSL_free(tls);
  }
  shutdown(connection, SHUT_WR);
  // Drain until the peer closes, so the close does not become a reset.
  while (recv(connection, block, sizeof block, 0) > 0) {
  }
  close(connection);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 5) {
    std::fprintf(stderr, "usage: %s PORT DELAY_MS [CERT-CHAIN.pem KEY.pem]\n", argv[0]);
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int delayMs = std::atoi(argv[2]);
  SSL_CTX* context = nullptr;
  if (argc == 5) {
    signal(SIGPIPE, SIG_IGN);
    context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr || SSL_CTX_use_certificate_chain_file(context, argv[3]) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, argv[4], SSL_FILETYPE_PEM) != 1) {
      std::fprintf(stderr, "delay_server: cannot load %s and %s\n", argv[3], argv[4]);
      return 1;
    }
  }
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  const int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1024) != 0) {
    std::perror("delay_server: bind/listen");
    return 1;
  }
  for (;;) {
    const int connection = accept(listener, nullptr, nullptr);
    if (connection < 0) continue;
    std::thread(Serve, connection, delayMs, context).detach();
  }
}
