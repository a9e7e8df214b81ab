#include "tools/procedit/catalogue_files.h"

#include <cstring>

namespace vantora::procedit {
namespace {

std::vector<ProcHeaderRecord> DecodeHeaders(const std::vector<uint8_t>& block, int32_t count) {
  std::vector<ProcHeaderRecord> out;
  for (int32_t i = 0; i < count && i < kListCapacity; ++i) {
    out.push_back(DecodeHeader(std::span<const uint8_t>(block).subspan(
        static_cast<size_t>(i) * kHeaderLength, kHeaderLength)));
  }
  return out;
}

}  // namespace

CatalogueFiles::~CatalogueFiles() {
  Close();
}

bool CatalogueFiles::Open() {
  openFailure_.clear();
  auto open = [this](int32_t* handle, const char* name, int32_t mode) {
    if (*handle >= 0) return;
    *handle = calls_.open(name, mode, 0);
    if (*handle < 0 && openFailure_.empty()) openFailure_ = Explanation();
  };
  open(&headers_, "YPROCHDR", 5);
  open(&fields_, "YPROCPARMS", 5);
  open(&byProgram_, "YPROCPGM", 1);
  return isOpen();
}

bool CatalogueFiles::MakeCurrentLibrary(const std::string& library, std::string* why) {
  const std::string headers = library + "/YPROCHDR";
  const int32_t probe = calls_.open(headers.c_str(), 1, 0);
  if (probe < 0) {
    const std::string sentence = Explanation();
    *why = sentence.empty() ? "file " + headers + " cannot be opened (" + LastFailure() + ")"
                            : sentence;
    return false;
  }
  calls_.close(probe);
  const std::string command = "CHGCURLIB CURLIB(" + library + ")";
  if (calls_.command(command.c_str()) != 0) {
    const std::string sentence = Explanation();
    *why = command + " failed" + (sentence.empty() ? " (" + LastFailure() + ")" : ": " + sentence);
    return false;
  }
  return true;
}

void CatalogueFiles::Close() {
  for (int32_t* h : {&headers_, &fields_, &byProgram_}) {
    if (*h >= 0) calls_.close(*h);
    *h = -1;
  }
}

std::vector<ProcHeaderRecord> CatalogueFiles::ListHeaders() {
  if (headers_ < 0) return {};
  std::vector<uint8_t> block(static_cast<size_t>(kListCapacity) * kHeaderLength);
  int32_t n =
      calls_.read(headers_, block.data(), kHeaderLength, kReadListFirst, nullptr, 0, nullptr);
  return n > 0 ? DecodeHeaders(block, n) : std::vector<ProcHeaderRecord>{};
}

std::vector<ProcHeaderRecord> CatalogueFiles::ListPrograms() {
  if (byProgram_ < 0) return {};
  std::vector<uint8_t> first(kHeaderLength);
  if (calls_.read(byProgram_, first.data(), kHeaderLength, kReadFirstNoLock, nullptr, 0, nullptr) !=
      1) {
    return {};
  }
  std::vector<ProcHeaderRecord> out = {DecodeHeader(first)};
  std::vector<uint8_t> block(static_cast<size_t>(kListCapacity) * kHeaderLength);
  int32_t n = calls_.read(byProgram_, block.data(), kHeaderLength, kReadNextPrograms, nullptr,
                          kProgramKeyLength, nullptr);
  if (n > 0) {
    auto more = DecodeHeaders(block, n);
    out.insert(out.end(), more.begin(), more.end());
  }
  return out;
}

std::vector<ProcHeaderRecord> CatalogueFiles::ProceduresOf(const std::string& library,
                                                           const std::string& program) {
  if (byProgram_ < 0) return {};
  const std::string key = ProgramKey(library, program);
  std::vector<uint8_t> block(static_cast<size_t>(kListCapacity) * kHeaderLength);
  int32_t n = calls_.read(byProgram_, block.data(), kHeaderLength, kReadProgramProcedures,
                          key.data(), kProgramKeyLength, nullptr);
  return n > 0 ? DecodeHeaders(block, n) : std::vector<ProcHeaderRecord>{};
}

bool CatalogueFiles::ReadHeader(const std::string& name, ProcHeaderRecord* header) {
  if (headers_ < 0) return false;
  const std::string key = ProcedureKey(name);
  std::vector<uint8_t> image(kHeaderLength);
  if (calls_.read(headers_, image.data(), kHeaderLength, kReadKeyNoLock, key.data(), kNameLength,
                  nullptr) != 1) {
    return false;
  }
  *header = DecodeHeader(image);
  return true;
}

int CatalogueFiles::ReadFields(const std::string& name, int count,
                               std::vector<ProcFieldRecord>* fields) {
  fields->clear();
  // The low 12 bits of the options carry the count.
  if (fields_ < 0 || count <= 0 || count > 0xFFF) return 0;
  const std::string key = ProcedureKey(name);
  std::vector<uint8_t> block(static_cast<size_t>(count) * kFieldLength);
  int32_t n = calls_.read(fields_, block.data(), kFieldLength, kReadFieldsBlocked + count,
                          key.data(), kNameLength, nullptr);
  if (n <= 0) return 0;
  if (n > count) n = count;
  for (int32_t i = 0; i < n; ++i) {
    fields->push_back(DecodeField(std::span<const uint8_t>(block).subspan(
        static_cast<size_t>(i) * kFieldLength, kFieldLength)));
  }
  return n;
}

bool CatalogueFiles::HeaderExists(const std::string& name) {
  const std::string key = ProcedureKey(name);
  return headers_ >= 0 && calls_.read(headers_, nullptr, 0, kReadExistsLocked, key.data(),
                                      kNameLength, nullptr) == 1;
}

bool CatalogueFiles::FieldExists(const std::string& name) {
  const std::string key = ProcedureKey(name);
  return fields_ >= 0 &&
         calls_.read(fields_, nullptr, 0, kReadExistsLocked, key.data(), kNameLength, nullptr) == 1;
}

bool CatalogueFiles::DeleteFoundHeader() {
  return headers_ >= 0 && calls_.remove(headers_) == 1;
}
bool CatalogueFiles::DeleteFoundField() {
  return fields_ >= 0 && calls_.remove(fields_) == 1;
}

bool CatalogueFiles::DeleteAllFields(const std::string& name) {
  while (FieldExists(name)) {
    if (!DeleteFoundField()) return false;
  }
  return true;
}

bool CatalogueFiles::WriteHeader(const ProcHeaderRecord& header) {
  if (headers_ < 0) return false;
  const auto image = EncodeHeader(header);
  return calls_.write(headers_, image.data(), kHeaderLength, kWriteOptions, nullptr) == 1;
}

bool CatalogueFiles::WriteField(const ProcFieldRecord& field) {
  if (fields_ < 0) return false;
  const auto image = EncodeField(field);
  return calls_.write(fields_, image.data(), kFieldLength, kWriteOptions, nullptr) == 1;
}

std::string CatalogueFiles::Explanation() {
  char text[1024] = {};
  return VNXErrorText(text, sizeof text) > 0 ? std::string(text) : std::string();
}

std::string CatalogueFiles::LastFailure() {
  char id[9] = {};
  Return_Syserr(id);
  std::string text = std::string(id, strnlen(id, 8));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return (text.empty() ? "" : text + ", ") + "status " + std::to_string(retstat());
}

}  // namespace vantora::procedit
