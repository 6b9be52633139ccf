// InputFiles.h: the one reader of files that come from outside (bundles, PPDs, scripts, settings,
// presets).
//
// Every layer and host reads such files through ReadInputFile, so that each kind has one size
// limit wherever it is read, nothing but a regular file is read, and a FIFO or a device put in a
// file's place can neither hang nor flood the reader.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

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

// The messages ("<path>: why") of the files ReadInputFile refused (kUnreadable or kTooLarge) in
// this process, oldest first; the first 64 are kept. A host uses them to fail a run in which a
// layer refused one of its files on the way (a bundle's strings table or nib).
std::vector<std::string> RefusedInputFiles();

}  // namespace pde
