// InputFiles.h: the one reader of files that come from outside (bundles, PPDs, scripts, settings,
// presets).
//
// Every layer and host reads such files through ReadInputFile, so that each kind has one size
// limit wherever it is read, nothing but a regular file is read, and a FIFO or a device put in a
// file's place can neither hang nor flood the reader.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

#include "pde/FileDescriptor.h"

namespace pde {

// The kinds of file read from outside, each with its own size limit.
enum class InputKind {
  kInfoPlist,     // a bundle's Contents/Info.plist: 1 MiB
  kStringsTable,  // a bundle's .strings table: 1 MiB
  kNib,           // a nib's objects.plist: 1 MiB
  kPPD,           // a printer's PPD: 8 MiB
  kScript,        // a host's session script: 1 MiB
  kSettings,      // a host's KEY=VALUE settings file: 1 MiB
  kPreset,        // a saved per-printer preset: 64 KiB
};

// The largest file of kind, in bytes.
std::size_t MaxInputFileSize(InputKind kind);

// What ReadInputFile found.
enum class InputRead {
  kRead,         // *bytes holds the whole file
  kUnreadable,   // missing, not permitted, not a regular file, or a read error
  kTooLarge,     // larger than MaxInputFileSize(kind)
  kOutOfMemory,  // the buffer could not be had (counted as an allocation of kind "InputFile")
};

// Reads the file at path whole into *bytes. It is opened without blocking (a FIFO cannot hang the
// open) and must be a regular file once opened, symbolic links followed: FIFOs, devices such as
// /dev/zero, sockets and directories are refused. On anything but kRead, *error is
// "<path>: why" and *bytes is empty.
InputRead ReadInputFile(const std::string& path, InputKind kind, std::string* bytes,
                        std::string* error);

// What tells one version of a file from another without reading it: the file (device and inode),
// its size, and when its contents and its inode last changed, to the nanosecond. The inode's
// change time cannot be set back by the file's owner, so a file rewritten and then given its old
// modification time still differs.
struct InputFileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  timespec changed{};

  bool operator==(const InputFileStamp& other) const;
};

// A file from outside opened and checked as ReadInputFile opens and checks it, not yet read, so
// that a reader can tell from its stamp whether it has read this version before.
class InputFile {
 public:
  // Opens the file at path as ReadInputFile does. kRead when it is open and within the size limit
  // of kind; otherwise *error is "<path>: why" and the file is not open.
  InputRead Open(const std::string& path, InputKind kind, std::string* error);

  // The stamp of the open file, taken when it was opened.
  const InputFileStamp& stamp() const { return stamp_; }

  // Reads the open file whole into *bytes, as ReadInputFile does, and closes it.
  InputRead Read(std::string* bytes, std::string* error);

 private:
  std::string path_;
  InputKind kind_ = InputKind::kPPD;
  FileDescriptor fd_{-1};
  InputFileStamp stamp_;
};

// The messages ("<path>: why") of the files ReadInputFile refused (kUnreadable or kTooLarge) in
// this process, oldest first; the first 64 are kept. A host uses them to fail a run in which a
// layer refused one of its files on the way (a bundle's strings table or nib).
std::vector<std::string> RefusedInputFiles();

// Adds message ("<path>: why") to RefusedInputFiles(), for a reader that refuses what a file
// holds once ReadInputFile has read it (a malformed nib or strings table), so that a host fails
// the run as it does for a file refused unread.
void RecordRefusedInputFile(const std::string& message);

}  // namespace pde
