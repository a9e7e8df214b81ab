// TLS with OpenSSL on memory buffers: SSL reads from `in` what the socket
// received and writes into `out` what must go to the socket.
#include "transport/tcp/tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace vantora::tcp {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kRawChunk = 17 * 1024;  // a whole TLS record and its overhead
constexpr size_t kWriteChunk = 64 * 1024;
constexpr uint8_t kRecordAlert = 21;
constexpr uint8_t kRecordHandshake = 22;

// The texts of OpenSSL's error queue of this thread, emptied.
std::string OpenSslErrors() {
  std::string text;
  while (unsigned long e = ERR_get_error()) {
    char line[256];
    ERR_error_string_n(e, line, sizeof line);
    if (!text.empty()) text += "; ";
    text += line;
  }
  return text.empty() ? "no further detail" : text;
}

Clock::time_point DeadlineOf(int timeoutMs) {
  return Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
}

// Milliseconds left before `deadline`; -1 (no limit) when `timeoutMs` is negative.
int Remaining(int timeoutMs, Clock::time_point deadline) {
  if (timeoutMs < 0) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

IoResult Status(IoResult::Status status, int error = 0) {
  IoResult r;
  r.status = status;
  r.error = error;
  return r;
}

SSL_CTX* NewContext(const SSL_METHOD* method) {
  SSL_CTX* ctx = SSL_CTX_new(method);
  if (ctx == nullptr) return nullptr;
  SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
  SSL_CTX_set_options(ctx, SSL_OP_NO_RENEGOTIATION);
  return ctx;
}

}  // namespace

struct TlsContext::Impl {
  SSL_CTX* ctx = nullptr;
};

namespace {

// A certificate's IP address (4 or 16 bytes) as text.
std::string AddressText(const unsigned char* bytes, size_t n) {
  std::string text;
  char part[8];
  if (n == 4) {
    for (size_t i = 0; i < 4; ++i) {
      std::snprintf(part, sizeof part, i == 0 ? "%u" : ".%u", bytes[i]);
      text += part;
    }
  } else if (n == 16) {
    for (size_t i = 0; i < 16; i += 2) {
      std::snprintf(part, sizeof part, i == 0 ? "%x" : ":%x", (bytes[i] << 8) | bytes[i + 1]);
      text += part;
    }
  }
  return text;
}

// The DNS names and addresses of the peer's certificate, for a message:
// "db.example, 10.0.0.5", or its subject's common name without them.
std::string CertificateNames(X509* cert) {
  if (cert == nullptr) return "no name";
  std::string names;
  auto add = [&](const std::string& name) { names += (names.empty() ? "" : ", ") + name; };
  auto* alt =
      static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
  for (int i = 0; alt != nullptr && i < sk_GENERAL_NAME_num(alt); ++i) {
    const GENERAL_NAME* g = sk_GENERAL_NAME_value(alt, i);
    if (g->type == GEN_DNS) {
      const ASN1_STRING* dns = g->d.dNSName;
      add(std::string(reinterpret_cast<const char*>(ASN1_STRING_get0_data(dns)),
                      static_cast<size_t>(ASN1_STRING_length(dns))));
    } else if (g->type == GEN_IPADD) {
      add(AddressText(ASN1_STRING_get0_data(g->d.iPAddress),
                      static_cast<size_t>(ASN1_STRING_length(g->d.iPAddress))));
    }
  }
  GENERAL_NAMES_free(alt);
  if (names.empty()) {
    char common[256] = {};
    if (X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, common,
                                  sizeof common) > 0) {
      names = common;
    }
  }
  return names.empty() ? "no name" : names;
}

}  // namespace

struct TlsSession::Impl {
  SSL* ssl = nullptr;
  BIO* in = nullptr;   // owned by ssl
  BIO* out = nullptr;  // owned by ssl
  bool client = false;
  std::string host;       // the name or address a client's certificate must hold
  std::string peerNames;  // the names of the certificate the server showed
  std::vector<uint8_t> raw = std::vector<uint8_t>(kRawChunk);
  std::vector<uint8_t> gather;  // a chunk of plain text that spans pieces; sized on first use
};

std::shared_ptr<TlsContext> TlsContext::ForClient(const std::string& caFile, std::string* error) {
  ERR_clear_error();
  SSL_CTX* ctx = NewContext(TLS_client_method());
  if (ctx == nullptr) {
    *error = "TLS cannot be set up: " + OpenSslErrors();
    return nullptr;
  }
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  const int loaded = caFile.empty() ? SSL_CTX_set_default_verify_paths(ctx)
                                    : SSL_CTX_load_verify_locations(ctx, caFile.c_str(), nullptr);
  if (loaded != 1) {
    *error = (caFile.empty() ? std::string("cannot read the system's trust store")
                             : "cannot read the CA file " + caFile) +
             ": " + OpenSslErrors();
    SSL_CTX_free(ctx);
    return nullptr;
  }
  auto* impl = new Impl{ctx};
  return std::shared_ptr<TlsContext>(new TlsContext(impl));
}

std::shared_ptr<TlsContext> TlsContext::ForServer(const std::string& certFile,
                                                  const std::string& keyFile, std::string* error) {
  ERR_clear_error();
  SSL_CTX* ctx = NewContext(TLS_server_method());
  if (ctx == nullptr) {
    *error = "TLS cannot be set up: " + OpenSslErrors();
    return nullptr;
  }
  // Every connection is one session: resuming one would save nothing.
  SSL_CTX_set_num_tickets(ctx, 0);
  SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_OFF);
  if (SSL_CTX_use_certificate_chain_file(ctx, certFile.c_str()) != 1) {
    *error = "cannot read the certificate file " + certFile + ": " + OpenSslErrors();
  } else if (SSL_CTX_use_PrivateKey_file(ctx, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
    const bool mismatch = ERR_GET_REASON(ERR_peek_last_error()) == X509_R_KEY_VALUES_MISMATCH;
    *error = mismatch
                 ? "the key of " + keyFile + " does not belong to the certificate of " + certFile
                 : "cannot read the key file " + keyFile + ": " + OpenSslErrors();
    ERR_clear_error();
  } else if (SSL_CTX_check_private_key(ctx) != 1) {
    *error = "the key of " + keyFile + " does not belong to the certificate of " + certFile;
  } else {
    return std::shared_ptr<TlsContext>(new TlsContext(new Impl{ctx}));
  }
  SSL_CTX_free(ctx);
  return nullptr;
}

TlsContext::~TlsContext() {
  SSL_CTX_free(impl_->ctx);
  delete impl_;
}

namespace {

TlsSession::Impl* NewSessionImpl(SSL_CTX* ctx, bool client) {
  SSL* ssl = SSL_new(ctx);
  BIO* in = BIO_new(BIO_s_mem());
  BIO* out = BIO_new(BIO_s_mem());
  if (ssl == nullptr || in == nullptr || out == nullptr) {
    BIO_free(in);
    BIO_free(out);
    SSL_free(ssl);
    return nullptr;
  }
  // An empty buffer means "more to come", never the end of the stream.
  BIO_set_mem_eof_return(in, -1);
  BIO_set_mem_eof_return(out, -1);
  SSL_set_bio(ssl, in, out);
  auto* impl = new TlsSession::Impl;
  impl->ssl = ssl;
  impl->in = in;
  impl->out = out;
  impl->client = client;
  return impl;
}

}  // namespace

namespace {

// Keeps the names of the server's own certificate for a message, whatever
// the verification decides.
int NoteServerCertificate(int verified, X509_STORE_CTX* store) {
  if (X509_STORE_CTX_get_error_depth(store) == 0) {
    auto* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    auto* impl = ssl != nullptr ? static_cast<TlsSession::Impl*>(SSL_get_app_data(ssl)) : nullptr;
    if (impl != nullptr) impl->peerNames = CertificateNames(X509_STORE_CTX_get_current_cert(store));
  }
  return verified;
}

}  // namespace

std::unique_ptr<TlsSession> TlsSession::Client(const TlsContext& context, const std::string& host) {
  ERR_clear_error();
  Impl* impl = NewSessionImpl(context.impl_->ctx, true);
  if (impl == nullptr) return nullptr;
  std::unique_ptr<TlsSession> session(new TlsSession(impl));
  SSL* ssl = impl->ssl;
  SSL_set_connect_state(ssl);
  bool named = false;
  if (ASN1_OCTET_STRING* ip = a2i_IPADDRESS(host.c_str())) {
    ASN1_OCTET_STRING_free(ip);
    named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
  } else {
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    named =
        SSL_set1_host(ssl, host.c_str()) == 1 && SSL_set_tlsext_host_name(ssl, host.c_str()) == 1;
  }
  // Without the name to check, any trusted certificate would do: refuse.
  if (!named) return nullptr;
  impl->host = host;
  SSL_set_app_data(ssl, impl);
  SSL_set_verify(ssl, SSL_VERIFY_PEER, &NoteServerCertificate);
  return session;
}

std::unique_ptr<TlsSession> TlsSession::Server(const TlsContext& context) {
  ERR_clear_error();
  Impl* impl = NewSessionImpl(context.impl_->ctx, false);
  if (impl == nullptr) return nullptr;
  SSL_set_accept_state(impl->ssl);
  return std::unique_ptr<TlsSession>(new TlsSession(impl));
}

TlsSession::~TlsSession() {
  SSL_free(impl_->ssl);
  delete impl_;
}

IoResult TlsSession::Failed(int failure) {
  failed_ = true;
  if (lastError_.empty()) lastError_ = OpenSslErrors();
  ERR_clear_error();
  return Status(IoResult::kTls, failure);
}

IoResult TlsSession::Flush(Socket& socket, int timeoutMs) {
  char* data = nullptr;
  const long n = BIO_get_mem_data(impl_->out, &data);
  if (n <= 0) return IoResult{};
  IoResult r = socket.SendAll(data, static_cast<size_t>(n), timeoutMs);
  (void)BIO_reset(impl_->out);
  return r;
}

IoResult TlsSession::Handshake(Socket& socket, int timeoutMs) {
  const auto deadline = DeadlineOf(timeoutMs);
  for (;;) {
    ERR_clear_error();
    const int k = SSL_do_handshake(impl_->ssl);
    const int e = k == 1 ? SSL_ERROR_NONE : SSL_get_error(impl_->ssl, k);
    // Sent even when the handshake failed: it may hold the alert saying why.
    IoResult sent = Flush(socket, Remaining(timeoutMs, deadline));
    if (e == SSL_ERROR_NONE) {
      if (!sent.ok()) return sent;
      established_ = true;
      return IoResult{};
    }
    if (e != SSL_ERROR_WANT_READ) {
      const long verified = SSL_get_verify_result(impl_->ssl);
      if (impl_->client && verified != X509_V_OK) {
        lastError_ = std::string("certificate: ") + X509_verify_cert_error_string(verified);
        switch (verified) {
          case X509_V_ERR_HOSTNAME_MISMATCH:
          case X509_V_ERR_IP_ADDRESS_MISMATCH:
            lastError_ =
                "the server's certificate names " + impl_->peerNames + ", not " + impl_->host;
            return Failed(kTlsNameMismatch);
          case X509_V_ERR_CERT_HAS_EXPIRED:
          case X509_V_ERR_CERT_NOT_YET_VALID:
            return Failed(kTlsExpired);
          default:
            return Failed(kTlsUntrusted);
        }
      }
      return Failed(kTlsHandshake);
    }
    if (!sent.ok()) return sent;
    const int left = Remaining(timeoutMs, deadline);
    IoResult r = socket.Receive(impl_->raw.data(), impl_->raw.size(), left);
    if (!r.ok()) return r;
    if (!sawPeerBytes_) {
      sawPeerBytes_ = true;
      const uint8_t first = impl_->raw[0];
      if (first != kRecordHandshake && first != kRecordAlert) {
        lastError_ = "the peer does not speak TLS";
        peerBytes_.assign(impl_->raw.begin(), impl_->raw.begin() + static_cast<long>(r.bytes));
        return Failed(kTlsNotTls);
      }
    }
    BIO_write(impl_->in, impl_->raw.data(), static_cast<int>(r.bytes));
  }
}

IoResult TlsSession::SendAll(Socket& socket, const void* data, size_t n, int timeoutMs) {
  const ConstBuffer whole{data, n};
  return SendAllVectored(socket, {&whole, 1}, timeoutMs);
}

IoResult TlsSession::SendAllVectored(Socket& socket, std::span<const ConstBuffer> pieces,
                                     int timeoutMs) {
  if (pieces.size() > kMaxSendPieces) return Status(IoResult::kError, EINVAL);
  const auto deadline = DeadlineOf(timeoutMs);
  size_t total = 0;
  for (const ConstBuffer& piece : pieces) total += piece.size;
  // The joined text goes in chunks of kWriteChunk, each flushed as it is
  // sealed; `piece` and `offset` are where the next chunk starts.
  size_t piece = 0;
  size_t offset = 0;
  size_t done = 0;
  while (done < total) {
    const size_t chunk = std::min(total - done, kWriteChunk);
    while (pieces[piece].size == offset) {
      ++piece;
      offset = 0;
    }
    const uint8_t* from = static_cast<const uint8_t*>(pieces[piece].data) + offset;
    if (pieces[piece].size - offset >= chunk) {
      offset += chunk;
    } else {
      impl_->gather.resize(kWriteChunk);
      for (size_t filled = 0; filled < chunk;) {
        if (pieces[piece].size == offset) {
          ++piece;
          offset = 0;
          continue;
        }
        const size_t n = std::min(chunk - filled, pieces[piece].size - offset);
        std::memcpy(impl_->gather.data() + filled,
                    static_cast<const uint8_t*>(pieces[piece].data) + offset, n);
        filled += n;
        offset += n;
      }
      from = impl_->gather.data();
    }
    for (size_t written = 0; written < chunk;) {
      ERR_clear_error();
      size_t n = 0;
      if (SSL_write_ex(impl_->ssl, from + written, chunk - written, &n) != 1) {
        return Failed(kTlsRecord);
      }
      written += n;
    }
    done += chunk;
    IoResult r = Flush(socket, Remaining(timeoutMs, deadline));
    if (!r.ok()) return r;
  }
  IoResult r;
  r.bytes = total;
  return r;
}

IoResult TlsSession::Receive(Socket& socket, void* buffer, size_t maximum, int timeoutMs) {
  const auto deadline = DeadlineOf(timeoutMs);
  for (;;) {
    ERR_clear_error();
    size_t got = 0;
    if (SSL_read_ex(impl_->ssl, buffer, maximum, &got) == 1) {
      IoResult r;
      r.bytes = got;
      return r;
    }
    const int e = SSL_get_error(impl_->ssl, 0);
    if (e == SSL_ERROR_ZERO_RETURN) return Status(IoResult::kClosed);
    if (e != SSL_ERROR_WANT_READ) return Failed(kTlsRecord);
    // Messages after the handshake (a key update) may want an answer.
    if (IoResult sent = Flush(socket, Remaining(timeoutMs, deadline)); !sent.ok()) return sent;
    IoResult r =
        socket.Receive(impl_->raw.data(), impl_->raw.size(), Remaining(timeoutMs, deadline));
    if (!r.ok()) return r;
    BIO_write(impl_->in, impl_->raw.data(), static_cast<int>(r.bytes));
  }
}

void TlsSession::Shutdown(Socket& socket) {
  if (!established_ || failed_ || !socket.valid()) return;
  ERR_clear_error();
  SSL_shutdown(impl_->ssl);
  Flush(socket, 0);
  ERR_clear_error();
}

std::string TlsSession::Describe() const {
  if (!established_) return lastError_;
  return std::string(SSL_get_version(impl_->ssl)) + " " + SSL_get_cipher_name(impl_->ssl);
}

void Channel::Close() {
  if (tls_) tls_->Shutdown(socket_);
  socket_.Close();
}

}  // namespace vantora::tcp
