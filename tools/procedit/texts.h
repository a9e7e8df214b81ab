// Every text procedit shows: titles, captions, controls and messages.
#ifndef VANTORA_TOOLS_PROCEDIT_TEXTS_H_
#define VANTORA_TOOLS_PROCEDIT_TEXTS_H_

namespace vantora::procedit::text {

// The program's title: the caption of its message boxes.
inline constexpr char kProgramTitle[] = "RPC configuration program";

// Start-up.
inline constexpr char kStartingTitle[] = "Starting connection";
inline constexpr char kStartingText[] = "Please wait while starting connection ...";
inline constexpr char kNoSession[] = "No Session available";
inline constexpr char kNoSessionTitle[] = "Vantora configuration";

// Main dialog.
inline constexpr char kMainTitle[] = "Stored Procedure configuration";
inline constexpr char kDeclaredGroup[] = "Declared Procedures";
inline constexpr char kSelectProcedure[] = "Select a procedure";
inline constexpr char kProgramsGroup[] = "AS/400 Programs";
inline constexpr char kSelectProgram[] = "Select a program";
inline constexpr char kClose[] = "Close";
inline constexpr char kNewProcedure[] = "New Procedure";
inline constexpr char kEditProcedure[] = "Edit Procedure";
inline constexpr char kRemoveProcedure[] = "Remove proc.";
inline constexpr char kAboutItem[] = "&About procedit...";
inline constexpr char kAboutTitle[] = "About RPC Configuration";
inline constexpr char kAboutText[] = "RPC Configuration";
inline constexpr char kOk[] = "OK";
inline constexpr char kCancel[] = "Cancel";

// Procedure dialog.
inline constexpr char kProcedureTitle[] = "Procedure definition";
inline constexpr char kProcedureNameGroup[] = "Procedure name :";
inline constexpr char kDescriptionGroup[] = "Description:";
inline constexpr char kTargetGroup[] = "AS/400 Program Name (Lib/File)";
inline constexpr char kBrowse[] = "Browse ...";
inline constexpr char kKindProgram[] = "Program";
inline constexpr char kKindDataQueue[] = "Data Queue";
inline constexpr char kParametersGroup[] = "Parameters description :";
inline constexpr char kNumberCaption[] = "N°:";
inline constexpr char kNameCaption[] = "Name :";
inline constexpr char kIoCaption[] = "I/O :";
inline constexpr char kAsTypeCaption[] = "AS Type, Len :";
inline constexpr char kPcTypeCaption[] = "PC Type, Len :";
inline constexpr char kPlus[] = "+";
inline constexpr char kMinus[] = "-";
inline constexpr char kModify[] = "M";

// Field dialog.
inline constexpr char kFieldTitle[] = "Parameter field edition";
inline constexpr char kFieldNameGroup[] = "Field Name";
inline constexpr char kUsageGroup[] = "Field usage :";
inline constexpr char kUsageIn[] = "In";
inline constexpr char kUsageOut[] = "Out";
inline constexpr char kUsageInOut[] = "In/Out";
inline constexpr char kStartsParameter[] =
    "This field is a parameter or the 1st field of a Data Structure";
inline constexpr char kAsFormatGroup[] = "AS/400 Format";
inline constexpr char kPcFormatGroup[] = "PC Format";
inline constexpr char kTypeCaption[] = "Type :";
inline constexpr char kDigitsCaption[] = "Digits :";
inline constexpr char kDecimalsCaption[] = "Decimals :";
inline constexpr char kLengthCaption[] = "Length :";

// Messages.
inline constexpr char kFilesNotOpened[] =
    "The files YPROCHDR, YPROCPARMS or YPROCPGM couldn't be opened in the working library.\n"
    "This program cannot work properly";
inline constexpr char kProcedureNotFound[] = "Procedure not found, aborting process";
inline constexpr char kNeedInteger[] = "Please enter an integer.";
inline constexpr char kNeedFieldName[] = "You must specify a field name";
inline constexpr char kNeedProcedureName[] = "You must specify a procedure name";
inline constexpr char kNeedProgramName[] =
    "You must specify the program name corresponding to the procedure.";
inline constexpr char kAlreadyExists[] =
    "This procedure allready exists, do you want to overwrite it or cancel operation ?";
inline constexpr char kNotInDirectory[] =
    "This procedure is not in the directory.\n"
    "Do you want to continue creating a procedure or cancel operation ?";
inline constexpr char kWriteFailed[] = "Failed writing in file.\nAborting process.";
inline constexpr char kConfirmRemove[] = "Are you sure you want to remove this procedure ?";

// Messages of this program's own checks.
inline constexpr char kNameTooLong[] = "The procedure name can have at most 10 characters.";
inline constexpr char kTargetTooLong[] =
    "The library and the program name can each have at most 10 characters.";
inline constexpr char kLibraryCaption[] = "Library :";
inline constexpr char kOpenLibrary[] = "Open";
inline constexpr char kJobLibraries[] = "the job's library list";
inline constexpr char kLibraryName[] = "A library name has 1 to 10 characters, without blanks.";
// %s: the library, then why it cannot be used.
inline constexpr char kLibraryNotUsed[] = "The catalogue of library %s cannot be shown: %s.";
inline constexpr char kDeleteFailed[] = "Failed deleting in file.\nAborting process.";
// %d: the header's field count, then the records read.
inline constexpr char kFieldCountDiffers[] =
    "The procedure's header announces %d fields but %d were read.\n"
    "Only the fields read are shown.";

}  // namespace vantora::procedit::text

#endif  // VANTORA_TOOLS_PROCEDIT_TEXTS_H_
