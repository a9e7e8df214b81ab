// The parameter table. Each shape string names the parameters in wire order:
// V value, I input buffer, O output buffer, B input/output buffer.
#include "protocol/operations.h"

#include <array>

namespace vantora::wire {
namespace {

struct Row {
  uint8_t op;
  const char* name;
  uint16_t code;
  const char* shape;
};

constexpr Row kRows[] = {
    {0x00, "Ropen", 0x0500, "II"},
    {0x01, "Rclose", 0x0201, "V"},
    {0x02, "Rreadn", 0x0102, "VOVV"},
    {0x03, "Rreadp", 0x0103, "VOVV"},
    {0x04, "Rreadf", 0x0104, "VOVV"},
    {0x05, "Rreadl", 0x0105, "VOVV"},
    {0x06, "Rreads", 0x0106, "VOVV"},
    {0x07, "Rreadk", 0x0107, "VOVVIV"},
    {0x08, "Rreadd", 0x0108, "VOVVV"},
    {0x09, "Rwrite", 0x0109, "VIV"},
    {0x0A, "Rwrited", 0x010A, "VIVV"},
    {0x0B, "Rupdate", 0x010B, "VIV"},
    {0x0C, "Rdelete", 0x010C, "V"},
    {0x0D, "Rrlslck", 0x010D, "V"},
    {0x0E, "Rlocate", 0x010E, "VIVV"},
    {0x0F, "Rfeod", 0x010F, "V"},
    {0x10, "Rrstatus", 0x0110, "VO"},
    {0x11, "Rlength", 0x0111, "V"},
    {0x12, "Rsystem", 0x0512, "I"},
    {0x13, "Rcommit", 0x0513, "I"},
    {0x14, "Rrollbck", 0x0114, ""},
    {0x15, "session open", 0x0115, "VVIVIII"},
    {0x16, "end of session", 0x0216, ""},
    {0x17, "Rformat", 0x0517, "VI"},
    {0x18, "SetConvFld", 0x0118, "VVI"},
    {0x19, "GetNbrFmt", 0x0119, "V"},
    {0x1A, "GetTypeFmt", 0x011A, "VVO"},
    {0x1B, "GetTypeFld", 0x011B, "VVO"},
    {0x1C, "GetTypeKey", 0x011C, "VVO"},
    {0x1D, "SetImpGenConv", 0x011D, "VI"},
    {0x1E, "SetImpConv", 0x011E, "VVI"},
    {0x1F, "SetTypeFld", 0x011F, "VI"},
    {0x20, "RCreatDDS", 0x0120, "IVIV"},
    {0x21, "CloseSession", 0x0221, "V"},
    {0x22, "StartFile_Test", 0x0522, "IV"},
    {0x23, "StartFile_Err", 0x0523, "I"},
    {0x24, "ReadTableASCII_EBCDIC", 0x0124, "O"},
    {0x25, "ReadTableEBCDIC_ASCII", 0x0125, "O"},
    {0x26, "WriteTableASCII_EBCDIC", 0x0226, "I"},
    {0x27, "WriteTableEBCDIC_ASCII", 0x0227, "I"},
    {0x28, "PgmLink", 0x0128, "IVIOOVI"},
    {0x29, "PgmCall", 0x0129, "VOI"},
    {0x2A, "PgmUnLink", 0x022A, "V"},
    {0x2B, "JOBcall", 0x052B, "II"},
    {0x2C, "JOBsend", 0x052C, "VVI"},
    {0x2D, "JOBreceive", 0x012D, "VVO"},
    {0x2E, "RTV_AS_VER", 0x012E, "O"},
    {0x2F, "Rselect", 0x012F, "VIVI"},
    {0x30, "RLclose", 0x0230, "V"},
    {0x31, "Rgetkey", 0x0131, "VOV"},
    {0x32, "JOBsendreceive", 0x0532, "VVIVO"},
    {0x33, "VNXCreateVirtualDesc", 0x0133, "VIVIVI"},
    {0x34, "VNXLinkDataQueue", 0x0134, "IIVVI"},
    {0x35, "VNXUnlinkDataQueue", 0x0135, "V"},
    {0x36, "VNXSendDataQueue", 0x0136, "VIVIV"},
    {0x37, "VNXReceiveDataQueue", 0x0137, "VOVVIIV"},
    {0x38, "VNXSqlBegin", 0x0138, ""},
    {0x39, "VNXSqlEnd", 0x0139, ""},
    {0x3A, "VNXSqlSqlca", 0x013A, "OV"},
    {0x3B, "VNXSqlImmediate", 0x013B, "IV"},
    {0x3C, "VNXSqlDeclare", 0x013C, "IV"},
    {0x3D, "VNXSqlOpen", 0x013D, "V"},
    {0x3E, "VNXSqlCommit", 0x013E, "V"},
    {0x3F, "VNXSqlFetch", 0x013F, "VOV"},
    {0x40, "VNXSqlClose", 0x0140, "V"},
    {0x41, "VNXSqlRow", 0x0141, "VIV"},
    {0x42, "VNXSetTypeKey", 0x0142, "VVIV"},
    {0x43, "VNXFreeFile", 0x0543, "I"},
    {0x44, "VNXrlsrcd", 0x0144, "VV"},
    {0x45, "VNXredefines", 0x0145, "VIVVI"},
    {0x46, "VNXRead", 0x0146, "VOVVIVO"},
    {0x47, "VNXWrite", 0x0147, "VIVVO"},
    {0x48, "VNXGetDesc", 0x0148, "VOVVI"},
    {0x49, "VNXStopFile_Test", 0x0149, ""},
    {0x4A, "VNXDBstart", 0x014A, "VVII"},
    {0x4B, "VNXDBstop", 0x014B, "V"},
    {0x4C, "VNXDBinit", 0x014C, "VVV"},
    {0x4D, "VNXDBopen", 0x014D, "VIVII"},
    {0x4E, "VNXopen", 0x054E, "IVV"},
    {0x4F, "VNXecho", 0x014F, "BVV"},
    {0x54, "VNXSqlEFetch", 0x0154, "VOVVV"},
    {0x56, "VNXMapFile", 0x0556, "VIV"},
    {0x57, "VNXApiCall", 0x0157, "IIIIIIII"},
    {0x58, "VNXCmdExec", 0x0558, "I"},
};

constexpr uint16_t KindsOf(const char* shape) {
  uint16_t kinds = 0;
  for (int i = 0; shape[i] != '\0'; ++i) {
    uint16_t k = shape[i] == 'V'   ? kValue
                 : shape[i] == 'I' ? kInput
                 : shape[i] == 'O' ? kOutput
                                   : kInOut;
    kinds = static_cast<uint16_t>(kinds | (k << (2 * i)));
  }
  return kinds;
}

constexpr uint8_t CountOf(const char* shape) {
  uint8_t n = 0;
  while (shape[n] != '\0') ++n;
  return n;
}

constexpr std::array<Operation, kOperationCount> BuildTable() {
  std::array<Operation, kOperationCount> table{};
  for (const Row& row : kRows) {
    table[row.op] = Operation{row.name, row.code, CountOf(row.shape), KindsOf(row.shape)};
  }
  return table;
}

constexpr std::array<Operation, kOperationCount> kTable = BuildTable();
constexpr Operation kUnused{nullptr, 0, 0, 0};

}  // namespace

int Operation::ArgWords() const {
  int words = 0;
  for (int i = 0; i < count; ++i) words += Kind(i) == kValue ? 1 : 2;
  return words;
}

const Operation& OperationEntry(int op) {
  if (op < 0 || op >= kOperationCount) return kUnused;
  return kTable[static_cast<std::size_t>(op)];
}

}  // namespace vantora::wire
