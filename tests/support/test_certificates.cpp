#include "tests/support/test_certificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>

namespace vantora::testing {
namespace {

std::atomic<long> nextSerial{1};

EVP_PKEY* NewKey() {
  return EVP_EC_gen("P-256");
}

bool AddExtension(X509* issuer, X509* subject, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx(&ctx, issuer, subject, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  if (ext == nullptr) return false;
  const bool added = X509_add_ext(subject, ext, -1) == 1;
  X509_EXTENSION_free(ext);
  return added;
}

// A certificate for `key` named `commonName`, not yet signed; its issuer is
// itself until told otherwise.
X509* NewCertificate(EVP_PKEY* key, const std::string& commonName, int fromDays, int toDays) {
  X509* x = X509_new();
  if (x == nullptr) return nullptr;
  X509_set_version(x, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(x), nextSerial++);
  X509_gmtime_adj(X509_getm_notBefore(x), static_cast<long>(fromDays) * 86400);
  X509_gmtime_adj(X509_getm_notAfter(x), static_cast<long>(toDays) * 86400);
  X509_set_pubkey(x, key);
  X509_NAME* name = X509_get_subject_name(x);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  X509_set_issuer_name(x, name);
  return x;
}

bool WritePem(const std::filesystem::path& file, X509* first, X509* second) {
  BIO* out = BIO_new_file(file.c_str(), "w");
  if (out == nullptr) return false;
  bool ok = PEM_write_bio_X509(out, first) == 1;
  if (ok && second != nullptr) ok = PEM_write_bio_X509(out, second) == 1;
  BIO_free(out);
  return ok;
}

}  // namespace

TestAuthority::TestAuthority(const std::string& commonName) {
  EVP_PKEY* key = NewKey();
  if (key == nullptr) return;
  X509* x = NewCertificate(key, commonName, -1, 365);
  if (x == nullptr || !AddExtension(x, x, NID_basic_constraints, "critical,CA:TRUE") ||
      !AddExtension(x, x, NID_key_usage, "critical,keyCertSign,cRLSign") ||
      !AddExtension(x, x, NID_subject_key_identifier, "hash") ||
      X509_sign(x, key, EVP_sha256()) == 0) {
    X509_free(x);
    EVP_PKEY_free(key);
    return;
  }
  key_ = key;
  certificate_ = x;
}

TestAuthority::~TestAuthority() {
  X509_free(static_cast<X509*>(certificate_));
  EVP_PKEY_free(static_cast<EVP_PKEY*>(key_));
}

bool TestAuthority::WriteCertificate(const std::filesystem::path& file) const {
  return ok() && WritePem(file, static_cast<X509*>(certificate_), nullptr);
}

bool TestAuthority::Issue(const CertificateNames& names,
                          const std::filesystem::path& certificateFile,
                          const std::filesystem::path& keyFile) const {
  if (!ok()) return false;
  auto* caKey = static_cast<EVP_PKEY*>(key_);
  auto* ca = static_cast<X509*>(certificate_);
  EVP_PKEY* key = NewKey();
  if (key == nullptr) return false;
  const std::string commonName =
      !names.dnsNames.empty() ? names.dnsNames[0]
                              : (!names.ipAddresses.empty() ? names.ipAddresses[0] : "server");
  X509* x = NewCertificate(key, commonName, names.validFromDays, names.validToDays);
  std::string alternatives;
  for (const std::string& n : names.dnsNames) {
    alternatives += (alternatives.empty() ? "DNS:" : ",DNS:") + n;
  }
  for (const std::string& a : names.ipAddresses) {
    alternatives += (alternatives.empty() ? "IP:" : ",IP:") + a;
  }
  bool ok = x != nullptr && X509_set_issuer_name(x, X509_get_subject_name(ca)) == 1 &&
            AddExtension(ca, x, NID_basic_constraints, "critical,CA:FALSE") &&
            AddExtension(ca, x, NID_key_usage, "critical,digitalSignature") &&
            AddExtension(ca, x, NID_ext_key_usage, "serverAuth") &&
            AddExtension(ca, x, NID_authority_key_identifier, "keyid") &&
            (alternatives.empty() || AddExtension(ca, x, NID_subject_alt_name, alternatives)) &&
            X509_sign(x, caKey, EVP_sha256()) != 0 && WritePem(certificateFile, x, ca);
  if (ok) {
    BIO* out = BIO_new_file(keyFile.c_str(), "w");
    ok = out != nullptr &&
         PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    BIO_free(out);
  }
  X509_free(x);
  EVP_PKEY_free(key);
  return ok;
}

}  // namespace vantora::testing
