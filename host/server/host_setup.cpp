#include "host/server/host_setup.h"

#include <cstdlib>
#include <random>

#include "host/server/objects/data_queues.h"
#include "host/server/setup/demo_procedures.h"
#include "host/server/setup/host_installation.h"
#include "platform/user_paths.h"

// GCC 12 at -O3 reports a false -Wrestrict overlap in std::string::assign
// when Value::Text is inlined with short literals (see seek_sql.cpp).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wrestrict"
#endif

namespace vantora::host {
namespace {

constexpr const char* kCities[] = {"PARIS", "LYON",  "NANTES", "LILLE", "NICE",
                                   "ROUEN", "BREST", "DIJON",  "METZ",  "TOURS"};
constexpr const char* kNames[] = {"MARTIN",  "BERNARD", "DUBOIS",  "THOMAS",   "ROBERT",
                                  "RICHARD", "PETIT",   "DURAND",  "LEROY",    "MOREAU",
                                  "O'BRIEN", "SIMON",   "LAURENT", "LEFEBVRE", "MICHEL"};

std::string DateOf(int dayNumber) {
  dayNumber = dayNumber < 0 ? -dayNumber : dayNumber % 3000;
  int year = 2020 + dayNumber / 336;
  int month = 1 + (dayNumber / 28) % 12;
  int day = 1 + dayNumber % 28;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

Status Replace(Catalogue& catalogue, const ObjectName& name) {
  FileDescription existing;
  if (catalogue.DescribeFile(name, &existing).ok()) return catalogue.DeleteFile(name);
  return Status::Ok();
}

Status Fill(Storage& storage, const ObjectName& file, const std::vector<Record>& records) {
  std::unique_ptr<FileCursor> cursor;
  CursorOptions options;
  options.job = -1;  // the host itself
  if (Status s = storage.OpenCursor(file, options, &cursor); !s.ok()) return s;
  return cursor->Insert(records, nullptr);
}

Status CreateCustomers(Storage& storage) {
  PhysicalFileDef def;
  def.name = {kDemoLibrary, "CUSTOMER"};
  def.formatName = "CUSTREC";
  def.text = "Demo customers";
  def.fields = {PackedField("CUSTNO", 7, 0), CharField("NAME", 30),
                VarcharField("CITY", 30),    PackedField("BALANCE", 11, 2),
                ZonedField("CREDIT", 7, 2),  DateTimeField("OPENED", FieldType::kDate),
                CharField("PHONE", 15)};
  def.fields[6].nullCapable = true;
  def.key = {{"CUSTNO", false}};
  def.unique = true;
  if (Status s = storage.catalogue().CreatePhysicalFile(def); !s.ok()) return s;
  std::vector<Record> records;
  for (int i = 1; i <= 50; ++i) {
    Record r(7);
    r[0] = Value::Integer(1000 + i);
    r[1] = Value::Text(std::string(kNames[i % 15]) + " " + std::to_string(i));
    r[2] = Value::Text(kCities[i % 10]);
    r[3] = Value::Integer((i * 7919) % 1000000 - 20000);
    r[4] = Value::Integer((i * 104729) % 9999999 / 10);
    r[5] = Value::Text(DateOf(i * 11));
    if (i % 4 != 0) r[6] = Value::Text("+33 1 " + std::to_string(40000000 + i));
    records.push_back(std::move(r));
  }
  return Fill(storage, def.name, records);
}

Status CreateOrders(Storage& storage) {
  PhysicalFileDef def;
  def.name = {kDemoLibrary, "ORDERS"};
  def.formatName = "ORDREC";
  def.text = "Demo orders";
  def.fields = {PackedField("ORDNO", 9, 0), PackedField("CUSTNO", 7, 0),
                DateTimeField("ORDDATE", FieldType::kDate), PackedField("AMOUNT", 11, 2),
                CharField("STATUS", 1)};
  def.key = {{"ORDNO", false}};
  def.unique = true;
  if (Status s = storage.catalogue().CreatePhysicalFile(def); !s.ok()) return s;
  std::vector<Record> records;
  for (int i = 1; i <= 200; ++i) {
    Record r(5);
    r[0] = Value::Integer(500000 + i);
    r[1] = Value::Integer(1000 + 1 + (i * 37) % 50);
    r[2] = Value::Text(DateOf((i * 13) % 900));
    r[3] = Value::Integer((i * 3571) % 250000 + 100);
    r[4] = Value::Text(i % 7 == 0 ? "C" : (i % 3 == 0 ? "S" : "O"));
    records.push_back(std::move(r));
  }
  if (Status s = Fill(storage, def.name, records); !s.ok()) return s;
  LogicalFileDef byCustomer;
  byCustomer.name = {kDemoLibrary, "ORDERSBYC"};
  byCustomer.text = "Orders by customer and date";
  byCustomer.formats = {{"ORDREC", {def.name}, {}, {{"CUSTNO", false}, {"ORDDATE", false}}}};
  if (Status s = storage.catalogue().CreateLogicalFile(byCustomer); !s.ok()) return s;
  LogicalFileDef byDate;
  byDate.name = {kDemoLibrary, "ORDERSBYD"};
  byDate.text = "Orders, newest first";
  byDate.formats = {{"ORDREC", {def.name}, {}, {{"ORDDATE", true}}}};
  return storage.catalogue().CreateLogicalFile(byDate);
}

Status CreateBench(Storage& storage, int count) {
  PhysicalFileDef def;
  def.name = {kDemoLibrary, "BENCH100"};
  def.formatName = "BENCHREC";
  def.text = "Fixed 100-byte records for benchmarks";
  def.fields = {ZonedField("ID", 9, 0),     CharField("NAME", 20),
                CharField("CITY", 15),      CharField("CODE", 5),
                PackedField("QTY", 7, 0),   PackedField("PRICE", 9, 2),
                ZonedField("TOTAL", 11, 2), DateTimeField("DAY", FieldType::kDate),
                CharField("FLAG", 1),       CharField("NOTE", 20)};
  if (Status s = storage.catalogue().CreatePhysicalFile(def); !s.ok()) return s;
  std::mt19937 random(100);
  std::vector<Record> batch;
  for (int i = 1; i <= count; ++i) {
    Record r(10);
    int64_t qty = static_cast<int64_t>(random() % 1000);
    int64_t price = static_cast<int64_t>(random() % 100000);
    r[0] = Value::Integer(i);
    r[1] = Value::Text(std::string(kNames[random() % 15]));
    r[2] = Value::Text(kCities[random() % 10]);
    r[3] = Value::Text("C" + std::to_string(random() % 10000));
    r[4] = Value::Integer(qty);
    r[5] = Value::Integer(price);
    r[6] = Value::Integer(qty * price);
    r[7] = Value::Text(DateOf(static_cast<int>(random() % 2000)));
    r[8] = Value::Text(i % 2 == 0 ? "Y" : "N");
    r[9] = Value::Text("RECORD " + std::to_string(i));
    batch.push_back(std::move(r));
    if (batch.size() == 5000 || i == count) {
      if (Status s = Fill(storage, def.name, batch); !s.ok()) return s;
      batch.clear();
    }
  }
  return Status::Ok();
}

// Data queues to pick in the demo library; kept when they exist, with the
// entries they hold.
Status CreateDemoQueues(Catalogue& catalogue) {
  struct Queue {
    const char* name;
    DataQueueDefinition definition;
    const char* text;
  };
  const Queue queues[] = {
      {"ORDERQ", {QueueSequence::kFifo, 200, 0}, "Demo orders to process"},
      {"PRICEQ", {QueueSequence::kKeyed, 100, 10}, "Demo price requests by item"},
  };
  for (const Queue& q : queues) {
    ObjectEntry existing;
    Status found = catalogue.FindObject({kDemoLibrary, q.name}, "*DTAQ", &existing);
    if (found.ok()) continue;
    if (found.code() != StatusCode::kObjectNotFound) return found;
    if (Status s = CreateDataQueue(catalogue, {kDemoLibrary, q.name}, q.definition, q.text);
        !s.ok()) {
      return s;
    }
  }
  return Status::Ok();
}

std::string RandomPassword() {
  std::random_device device;
  std::string password;
  for (int i = 0; i < 10; ++i) password += static_cast<char>('A' + device() % 26);
  return password;
}

}  // namespace

std::string DefaultDataDirectory() {
  const std::string data = platform::UserDataHome();
  return (data.empty() ? std::string(".") : data) + "/vantora/host";
}

Status CreateDemoLibrary(Storage& storage, int benchRecords) {
  Catalogue& catalogue = storage.catalogue();
  bool exists = false;
  if (Status s = catalogue.LibraryExists(kDemoLibrary, &exists); !s.ok()) return s;
  if (!exists) {
    if (Status s = catalogue.CreateLibrary(kDemoLibrary, "Vantora demo data"); !s.ok()) return s;
  }
  for (const char* name : {"ORDERSBYC", "ORDERSBYD", "ORDERS", "CUSTOMER", "BENCH100"}) {
    if (Status s = Replace(catalogue, {kDemoLibrary, name}); !s.ok()) return s;
  }
  if (Status s = CreateCustomers(storage); !s.ok()) return s;
  if (Status s = CreateOrders(storage); !s.ok()) return s;
  if (Status s = CreateDemoQueues(catalogue); !s.ok()) return s;
  if (Status s = CreateDemoProcedures(storage); !s.ok()) return s;
  return CreateBench(storage, benchRecords);
}

Status OpenPreparedHost(const std::string& directory, const std::string& localUser,
                        HostOptions options, std::unique_ptr<Host>* out) {
  std::unique_ptr<Host> host;
  if (Status s = Host::Open(directory, std::move(options), &host); !s.ok()) return s;
  Storage& storage = host->storage();
  bool exists = true;
  if (!localUser.empty()) {
    if (Status s = storage.userProfiles().Exists(localUser, &exists); !s.ok()) return s;
  }
  if (!exists) {
    if (Status s = storage.userProfiles().Create(localUser, RandomPassword(), "Local user");
        !s.ok()) {
      return s;
    }
  }
  if (Status s = storage.catalogue().LibraryExists(kDemoLibrary, &exists); !s.ok()) return s;
  if (!exists) {
    if (Status s = CreateDemoLibrary(storage, kDefaultBenchRecords); !s.ok()) return s;
  }
  if (Status s = InstallHostObjects(storage, host->directory()); !s.ok()) return s;
  *out = std::move(host);
  return Status::Ok();
}

}  // namespace vantora::host
