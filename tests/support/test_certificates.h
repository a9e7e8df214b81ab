// Certificates made by a test for the TLS tests: a certificate authority of
// its own and the server certificates it issues, written as PEM files. Keys
// are EC P-256, so making them takes milliseconds.
//
//   TestAuthority ca("Vantora test CA");
//   ca.WriteCertificate(dir / "ca.pem");
//   ca.Issue(Names({"localhost"}, {"127.0.0.1"}), dir / "server.pem", dir / "server.key");
#ifndef VANTORA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
#define VANTORA_TESTS_SUPPORT_TEST_CERTIFICATES_H_

#include <filesystem>
#include <string>
#include <vector>

namespace vantora::testing {

struct CertificateNames {
  std::vector<std::string> dnsNames;     // subject alternative names of type DNS
  std::vector<std::string> ipAddresses;  // and of type IP
  int validFromDays = -1;                // relative to now
  int validToDays = 30;
};

inline CertificateNames Names(std::vector<std::string> dnsNames,
                              std::vector<std::string> ipAddresses = {}, int validFromDays = -1,
                              int validToDays = 30) {
  CertificateNames n;
  n.dnsNames = std::move(dnsNames);
  n.ipAddresses = std::move(ipAddresses);
  n.validFromDays = validFromDays;
  n.validToDays = validToDays;
  return n;
}

class TestAuthority {
 public:
  // A new key and a self-signed CA certificate named `commonName`.
  explicit TestAuthority(const std::string& commonName);
  ~TestAuthority();
  TestAuthority(const TestAuthority&) = delete;
  TestAuthority& operator=(const TestAuthority&) = delete;

  // False when something could not be made or written.
  bool ok() const { return key_ != nullptr && certificate_ != nullptr; }
  bool WriteCertificate(const std::filesystem::path& file) const;
  // A server certificate for `names` signed by this authority, written with
  // the authority's certificate after it (a chain file), and its key.
  bool Issue(const CertificateNames& names, const std::filesystem::path& certificateFile,
             const std::filesystem::path& keyFile) const;

 private:
  void* key_ = nullptr;          // EVP_PKEY
  void* certificate_ = nullptr;  // X509
};

}  // namespace vantora::testing

#endif  // VANTORA_TESTS_SUPPORT_TEST_CERTIFICATES_H_
