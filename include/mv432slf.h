/*
 * mv432slf.h - the public interface of the selection library MV432SLF.
 *
 * MV432SLF lists the files, programs or data queues of one library of the
 * host, lets a user pick entries in a modal dialog, and hands the choice
 * back one entry at a time. It works in the caller's current session of
 * MV432IDA: it never starts or ends a session.
 *
 * Two families share one state:
 *   VNXChoixLibFichier...  1 means done (confirmed, an entry handed back),
 *                          2 cancelled, 3 no request yet or a failure,
 *                          0 nothing more (and the answer of the setters)
 *   VNXSlf...              0 means done, 1 anything else
 *
 * A request lists the library (or reuses the list it holds when library,
 * object type and filter are those of the last load) and shows the dialog;
 * in hidden mode (VNXChoixLibFichierHideDialog, VNXSlfHide) with a library
 * it shows nothing and every entry of the list counts as chosen. A request
 * whose list cannot be loaded in hidden mode is a failure (2; VNXSlf 1).
 * A program that has not installed a dialog runner (a server process, a
 * command-line tool) cannot show the dialog: such a request answers Cancel
 * (2; VNXSlf 1) and says why through the program's message sink.
 *
 * Texts are NUL-terminated. Name buffers are exactly 10 characters, filled
 * with the name in upper case padded with blanks, without a terminator.
 * A null buffer or counter answers the family's failure (3; VNXSlf 1).
 *
 * Threads: the state is global to the process and unprotected; call from
 * one thread (the user-interface thread), one call at a time.
 */
#ifndef MV432SLF_H_
#define MV432SLF_H_

#include <stdint.h>

#if defined(_WIN32)
#if defined(MV432SLF_BUILD)
#define MV432SLF_API __declspec(dllexport)
#else
#define MV432SLF_API __declspec(dllimport)
#endif
#else
#define MV432SLF_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- The VNXChoixLibFichier family: 1 means done ------------------------ */

/*
 * Runs a selection request for `library`, or null (or "") for the library of
 * the previous request. The selection mode (VNXChoixLibFichierSetPgmMode)
 * gives the object type: 1 programs ("*PGM"), 2 data queues ("*DTAQ"), else
 * physical and logical files ("*FILE"; physical files only when hidden).
 * Answers 1 confirmed, 2 cancelled (also: nothing could be shown, or the
 * hidden load failed), 3 an internal failure.
 *
 * Special texts (compared without case):
 *   "*CLEAR"  forgets the list held, so the next request reloads; answers 0
 *   "*FIRST"  restarts the enumeration of the last request; answers 1 when
 *             that request was confirmed, else 0
 *
 * The database driver lists the physical files of a library:
 *
 *     VNXChoixLibFichierHideDialog();
 *     VNXChoixLibFichier("*CLEAR");
 *     if (VNXChoixLibFichier("SALES") == 1) {
 *       char lib[10], file[10];
 *       int32_t scratch;
 *       VNXChoixLibFichierHideDialog();
 *       VNXChoixLibFichier("*FIRST");
 *       while (VNXChoixLibFichierData(lib, file, &scratch) == 1) use(lib, file);
 *     }
 */
MV432SLF_API int32_t VNXChoixLibFichier(const char* library);

/*
 * Hands back the next chosen entry: `library` receives the request's
 * library, `name` the object's name (10 blanks at the end of the chosen
 * entries of a confirmed dialog), `value` 0.
 * Answers 1 an entry (or that blank name) was handed back; 0 the
 * enumeration is exhausted; 3 no request was made yet; otherwise the result
 * of the last request (for example 2 after Cancel), and the enumeration is
 * then exhausted. At the end of an enumeration hidden mode is off again.
 *
 * The procedure tool picks a program:
 *
 *     VNXChoixLibFichierSetPgmMode(1);
 *     if (VNXChoixLibFichier(NULL) == 1) {
 *       int32_t scratch;
 *       VNXChoixLibFichierData(header.programLibrary, header.programName, &scratch);
 *     }
 */
MV432SLF_API int32_t VNXChoixLibFichierData(char* library, char* name, int32_t* value);

/*
 * Hidden mode for the next request: with a library nothing is shown and
 * every listed entry is handed back. Answers 0.
 *
 *     VNXChoixLibFichierHideDialog();
 *     VNXChoixLibFichier("SALES");
 */
MV432SLF_API int32_t VNXChoixLibFichierHideDialog(void);

/*
 * The selection mode of the next requests: 1 programs, 2 data queues, any
 * other value files (the initial mode is 0). Answers 0.
 *
 *     VNXChoixLibFichier("*CLEAR");       when the kind of target changed
 *     VNXChoixLibFichierSetPgmMode(2);    data queues
 *     VNXChoixLibFichier(NULL);
 */
MV432SLF_API int32_t VNXChoixLibFichierSetPgmMode(int32_t mode);

/*
 * Stores in `count` the number of entries in the list (chosen or not) and
 * answers 1 when the last request was confirmed; otherwise stores 0 and
 * answers the last result (2, 3), or 3 when no request was made yet.
 *
 *     int32_t n;
 *     if (VNXChoixLibFichier("SALES") == 1 && VNXChoixLibFichierCount(&n) == 1) reserve(n);
 */
MV432SLF_API int32_t VNXChoixLibFichierCount(int32_t* count);

/* ---- The VNXSlf family: 0 means done ------------------------------------ */

/*
 * A selection request with the object type (for example "*FILE", "*PGM",
 * "*DTAQ", "*LIB") and the attribute filter from the arguments: entries
 * whose extended attribute begins with `filter` (case-sensitive); "*FILE"
 * keeps physical and logical files; "*LIB" lists the libraries of the host
 * without filtering; null or "" keeps every entry. A null object type is
 * refused (1). The dialog's look is the one set by VNXSlfDlgStyle.
 * Answers 0 confirmed, 1 cancelled or failed. "*CLEAR" answers 0; "*FIRST"
 * answers 1 when the enumeration was restarted and 0 otherwise.
 *
 *     VNXSlfDlgStyle(1);
 *     if (VNXSlf("TOOLS", "*PGM", "CL") == 0) {
 *       char lib[10], pgm[10];
 *       while (VNXSlfGetNextEntry(lib, pgm, NULL) == 0) use(lib, pgm);
 *     }
 */
MV432SLF_API int32_t VNXSlf(const char* library, const char* objectType, const char* filter);

/*
 * The dialog of the next VNXSlf requests: 0 the file dialog (several entries,
 * filter buttons), 1 or 2 the program dialog (one entry). Answers 0.
 *
 *     VNXSlfDlgStyle(0);
 *     VNXSlf("SALES", "*FILE", "*FILE");
 */
MV432SLF_API int32_t VNXSlfDlgStyle(int32_t style);

/*
 * Hidden mode for the next request, as VNXChoixLibFichierHideDialog.
 * Answers 0.
 *
 *     VNXSlfHide();
 *     VNXSlf("SALES", "*FILE", "PF");
 */
MV432SLF_API int32_t VNXSlfHide(void);

/*
 * As VNXChoixLibFichierCount, answering 0 where that answers 1, and 1
 * otherwise.
 *
 *     int32_t n;
 *     if (VNXSlf("SALES", "*FILE", "") == 0 && VNXSlfGetCount(&n) == 0) reserve(n);
 */
MV432SLF_API int32_t VNXSlfGetCount(int32_t* count);

/*
 * Hands back the next chosen entry like VNXChoixLibFichierData. Answers 0
 * when an entry with a name was handed back, 1 in every other case (no
 * request yet, cancelled, exhausted, a blank name). `unused` is not used
 * and may be null.
 *
 *     char lib[10], name[10];
 *     while (VNXSlfGetNextEntry(lib, name, NULL) == 0) use(lib, name);
 */
MV432SLF_API int32_t VNXSlfGetNextEntry(char* library, char* name, void* unused);

#ifdef __cplusplus
}
#endif

#endif /* MV432SLF_H_ */
