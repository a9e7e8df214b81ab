// The host message identifiers the host answers (its handlers and its
// storage), each with a name that says what it means, shared by the host and
// the client library. The texts are in the message files (host_messages.h):
// every identifier here has one there, in QCPFMSG (CPx, MCH) or QSQLMSG
// (SQL). A new identifier goes into kHostMessageIds as well, which is how that
// is checked. Those a caller of the client library tests for are published in
// include/mv432ida.h as VNX_MSG_*.
//
// Each is 7 characters: three letters and four hexadecimal digits, the
// width of a reply's message identifier.
#ifndef VANTORA_PROTOCOL_HOST_MESSAGE_IDS_H_
#define VANTORA_PROTOCOL_HOST_MESSAGE_IDS_H_

namespace vantora::wire {

// CL commands: their parameters.
inline constexpr char kMsgCommandNotFound[] = "CPD0030";
inline constexpr char kMsgParameterRequired[] = "CPD0072";
inline constexpr char kMsgValueNotAllowed[] = "CPD0078";
inline constexpr char kMsgSpecialValueNotValid[] = "CPD0084";

// Jobs, libraries and user profiles.
inline constexpr char kMsgJobNotFound[] = "CPF1321";
inline constexpr char kMsgLibraryAlreadyInList[] = "CPF2103";
inline constexpr char kMsgLibraryNotInList[] = "CPF2104";
inline constexpr char kMsgLibraryNotFound[] = "CPF2110";  // the CL commands' answer
inline constexpr char kMsgLibraryExists[] = "CPF2111";
inline constexpr char kMsgObjectOfTypeNotFound[] = "CPF2105";
inline constexpr char kMsgObjectOfTypeExists[] = "CPF2112";
inline constexpr char kMsgInUse[] = "CPF3202";
inline constexpr char kMsgUserProfileNotFound[] = "CPF2204";
inline constexpr char kMsgPasswordNotCorrect[] = "CPF22E2";

// Message files.
inline constexpr char kMsgMessageFileNotFound[] = "CPF2407";
inline constexpr char kMsgMessageIdNotFound[] = "CPF2419";

// System APIs and program calls.
inline constexpr char kMsgFormatNameNotValid[] = "CPF3C21";
inline constexpr char kMsgReceiverLengthNotValid[] = "CPF3C24";
inline constexpr char kMsgProgramTimedOut[] = "CPF3C4A";
inline constexpr char kMsgProgramFailed[] = "CPF3C4B";
inline constexpr char kMsgValueNotAccepted[] = "CPF3C90";  // a literal the API cannot take

// Files: opens and record-level access.
inline constexpr char kMsgNotPhysicalDataFile[] = "CPF3133";
inline constexpr char kMsgFileNotFound[] = "CPF4101";  // also a handle that is not open
inline constexpr char kMsgAccessPathNotValid[] = "CPF4128";
inline constexpr char kMsgOpenIdInUse[] = "CPF4174";
inline constexpr char kMsgWrongKindOfOpen[] = "CPF4194";
inline constexpr char kMsgNoFileWithOpenId[] = "CPF4520";
inline constexpr char kMsgEndOfFile[] = "CPF5001";
inline constexpr char kMsgRecordNotFound[] = "CPF5006";
inline constexpr char kMsgRecordNumberTaken[] = "CPF5008";
inline constexpr char kMsgNoCurrentRecord[] = "CPF5013";
inline constexpr char kMsgDuplicateKey[] = "CPF5026";
inline constexpr char kMsgRecordInUse[] = "CPF5027";
inline constexpr char kMsgDataMapping[] = "CPF5029";
inline constexpr char kMsgIoError[] = "CPF5030";
inline constexpr char kMsgDuplicateKeyOtherPath[] = "CPF5034";  // reserved: CPF5026 is answered
inline constexpr char kMsgStorageFull[] = "CPF5184";
inline constexpr char kMsgReceiverTooSmall[] = "MCH1210";  // reserved: CPF5029 is answered
inline constexpr char kMsgDecimalDataError[] = "MCH1212";  // reserved
inline constexpr char kMsgBeginningOfFile[] = "CPF5025";
inline constexpr char kMsgFileNotCreated[] = "CPF7302";
inline constexpr char kMsgNoOverride[] = "CPF9841";

// Commitment control.
inline constexpr char kMsgCommitmentNotActive[] = "CPF8350";
inline constexpr char kMsgCommitmentAlreadyActive[] = "CPF8351";

// Data queues.
inline constexpr char kMsgDataQueueNotKeyed[] = "CPF9502";
inline constexpr char kMsgDataQueueEntryTooLong[] = "CPF9503";
inline constexpr char kMsgDataQueueKeyLengthNotValid[] = "CPF9505";

// Objects, as the APIs and services look them up.
inline constexpr char kMsgObjectNotFound[] = "CPF9801";
inline constexpr char kMsgObjectLibraryNotFound[] = "CPF9810";  // the APIs' answer
inline constexpr char kMsgProgramNotFound[] = "CPF9811";
inline constexpr char kMsgObjectExists[] = "CPF9870";

// A request that is not valid or not supported here (text: its reason).
inline constexpr char kMsgRequestRefused[] = "CPF9898";

// Every identifier above, once.
inline constexpr const char* kHostMessageIds[] = {
    kMsgCommandNotFound,
    kMsgParameterRequired,
    kMsgValueNotAllowed,
    kMsgSpecialValueNotValid,
    kMsgJobNotFound,
    kMsgLibraryAlreadyInList,
    kMsgLibraryNotInList,
    kMsgLibraryNotFound,
    kMsgUserProfileNotFound,
    kMsgPasswordNotCorrect,
    kMsgMessageFileNotFound,
    kMsgMessageIdNotFound,
    kMsgFormatNameNotValid,
    kMsgReceiverLengthNotValid,
    kMsgProgramTimedOut,
    kMsgProgramFailed,
    kMsgValueNotAccepted,
    kMsgNotPhysicalDataFile,
    kMsgFileNotFound,
    kMsgAccessPathNotValid,
    kMsgOpenIdInUse,
    kMsgWrongKindOfOpen,
    kMsgNoFileWithOpenId,
    kMsgEndOfFile,
    kMsgRecordNotFound,
    kMsgBeginningOfFile,
    kMsgFileNotCreated,
    kMsgNoOverride,
    kMsgCommitmentNotActive,
    kMsgCommitmentAlreadyActive,
    kMsgDataQueueNotKeyed,
    kMsgDataQueueEntryTooLong,
    kMsgDataQueueKeyLengthNotValid,
    kMsgObjectNotFound,
    kMsgObjectLibraryNotFound,
    kMsgProgramNotFound,
    kMsgObjectExists,
    kMsgRequestRefused,
    kMsgRecordNumberTaken,
    kMsgNoCurrentRecord,
    kMsgDuplicateKey,
    kMsgRecordInUse,
    kMsgDataMapping,
    kMsgIoError,
    kMsgDuplicateKeyOtherPath,
    kMsgStorageFull,
    kMsgReceiverTooSmall,
    kMsgDecimalDataError,
    kMsgLibraryExists,
    kMsgObjectOfTypeNotFound,
    kMsgObjectOfTypeExists,
    kMsgInUse,
};

}  // namespace vantora::wire

#endif  // VANTORA_PROTOCOL_HOST_MESSAGE_IDS_H_
