// Blocked reads of DEMO/BENCH100 (10 fields, 100-byte host records) in
// records per second, two ways over the same data:
//   host alone  FileCursor::ReadBlock and the record codec, no protocol
//   full path   MV432IDA's VNXRead through the embedded transport, as the
//               benchmark tool reads ("rr blkrcd=Y", blocks of
//               32600 / (record length + fields - 1) records)
// The ratio shows what the protocol, the transport and the client cost.
//
//   host_read_bench [RECORDS]      (default 100000; best of 3 full scans)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/server/host.h"
#include "host/server/host_setup.h"
#include "host/server/record_codec.h"
#include "mv432ida.h"

namespace {

using Clock = std::chrono::steady_clock;
using vantora::host::Status;

constexpr int kPasses = 3;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

bool Check(const Status& s, const char* what) {
  if (s.ok()) return true;
  std::fprintf(stderr, "%s: %s\n", what, s.ToString().c_str());
  return false;
}

// One full scan by the host library; answers records read, or -1.
int64_t ScanHostAlone(vantora::host::Host& host, int* block, int32_t* length, double* seconds) {
  using namespace vantora::host;
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = 1;
  if (!Check(host.storage().OpenCursor({"DEMO", "BENCH100"}, options, &cursor), "open")) return -1;
  Job job(1, "BENCH");
  CodecOptions codecOptions;
  codecOptions.style = StyleOf(job.dateTime());
  RecordCodec codec;
  if (!Check(RecordCodec::Build(cursor->format(), codecOptions, &codec), "codec")) return -1;
  *length = codec.recordLength();
  *block = 32600 / (*length + static_cast<int>(codec.fields().size()) - 1);
  const int n = *block;
  std::vector<uint8_t> out(static_cast<size_t>(n) * codec.recordLength());
  // Kept across scans, as the host keeps its batch across requests.
  static RecordBatch batch;
  ReadRequest request;
  request.op = ReadOp::kFirst;
  int64_t total = 0;
  auto start = Clock::now();
  for (;;) {
    Status s = cursor->ReadBlock(request, static_cast<size_t>(n), &batch);
    if (!s.ok()) break;
    for (size_t i = 0; i < batch.size; ++i) {
      if (!Check(codec.Encode(batch.records[i], out.data() + i * codec.recordLength()), "encode")) {
        return -1;
      }
    }
    total += static_cast<int64_t>(batch.size);
    if (batch.size < static_cast<size_t>(n)) break;
    request.op = ReadOp::kNext;
  }
  *seconds = Seconds(Clock::now() - start);
  return total;
}

// One full scan through the client library; answers records read, or -1.
int64_t ScanFullPath(int32_t h, int32_t length, int block, double* seconds) {
  std::vector<uint8_t> buffer(static_cast<size_t>(block) * length);
  int32_t op = VNX_READ_FIRST;
  int64_t total = 0;
  auto start = Clock::now();
  for (;;) {
    int32_t n = VNXRead(h, buffer.data(), length, op | VNX_BLOCK | block, nullptr, 0, nullptr);
    if (n < 0) {
      std::fprintf(stderr, "VNXRead: %d, status %d\n", n, retstat());
      return -1;
    }
    total += n;
    if (n < block) break;
    op = VNX_READ_NEXT;
  }
  *seconds = Seconds(Clock::now() - start);
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  const int records = argc > 1 ? std::atoi(argv[1]) : 100000;
  const auto root = std::filesystem::temp_directory_path() /
                    ("vantora-host-read-bench-" + std::to_string(::getpid()));
  const auto data = root / "host";
  std::filesystem::create_directories(root);
  std::ofstream(root / "MV400.INI")
      << "[General]\nNetwork=ehn\n[Host]\nDataDirectory=" << data.string() << "\n";
  setenv("MV400_INI", (root / "MV400.INI").c_str(), 1);

  double hostRate = 0, fullRate = 0;
  int32_t length = 0;
  int block = 0;
  {
    std::unique_ptr<vantora::host::Host> host;
    if (!Check(vantora::host::Host::Open(data, {}, &host), "host")) return 1;
    auto start = Clock::now();
    if (!Check(vantora::host::CreateDemoLibrary(host->storage(), records), "demo")) return 1;
    std::printf("created %d records in %.1f s\n", records, Seconds(Clock::now() - start));
  }
  {
    // Reopened, so that both scans read a checkpointed database.
    std::unique_ptr<vantora::host::Host> host;
    if (!Check(vantora::host::Host::Open(data, {}, &host), "host")) return 1;
    for (int pass = 0; pass < kPasses; ++pass) {
      double s = 0;
      int64_t n = ScanHostAlone(*host, &block, &length, &s);
      if (n != records) return 1;
      hostRate = std::max(hostRate, static_cast<double>(n) / s);
    }
  }

  VNXTerminate();  // binds the transport again with the settings above
  if (StartSession() != 1) {
    std::fprintf(stderr, "StartSession failed: %d\n", Internal_Error());
    return 1;
  }
  int32_t h = Ropen("DEMO/BENCH100", "rr blkrcd=Y");
  if (h < 0 || Rlength(h) != length) {
    std::fprintf(stderr, "Ropen %d, record length %d (expected %d)\n", h, Rlength(h), length);
    return 1;
  }
  for (int pass = 0; pass < kPasses; ++pass) {
    double s = 0;
    int64_t n = ScanFullPath(h, length, block, &s);
    if (n != records) return 1;
    fullRate = std::max(fullRate, static_cast<double>(n) / s);
  }
  Rclose(h);
  FreeSession();
  VNXTerminate();
  std::filesystem::remove_all(root);

  std::printf("record length %d, %d records per block\n", length, block);
  std::printf("host alone : %10.0f records/s\n", hostRate);
  std::printf("full path  : %10.0f records/s  (%.0f%% of host alone)\n", fullRate,
              100.0 * fullRate / hostRate);
  return 0;
}
