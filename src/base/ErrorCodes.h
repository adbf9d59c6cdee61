// The error codes the program reports. Failures of the file system keep the platform's numbering, which
// the error table turns into text; the codes from 10000 up are the program's own.
#pragma once

namespace hy::base {

inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3; // a directory on the way is missing, or the name is invalid
inline constexpr int kErrorTooManyOpenFiles = 4;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorInvalidHandle = 6;
inline constexpr int kErrorNotEnoughMemory = 8;
inline constexpr int kErrorInvalidDrive = 15; // no such device
inline constexpr int kErrorDiskFault = 30; // the device reported an I/O error
inline constexpr int kErrorSharingViolation = 32; // busy, or a program that is running
inline constexpr int kErrorDiskRead = 100; // a read failed, or a file ended before its size
inline constexpr int kErrorDiskFull = 112;
inline constexpr int kErrorNameTooLong = 206; // the name or one of its parts is longer than the system allows
inline constexpr int kErrorLinkLoop = 1921; // the name leads through a loop of symbolic links

// The user stopped long work (a search, a tree walk, a copy): nothing to report.
inline constexpr int kErrorSearchStopped = -1000;

inline constexpr int kErrorCreateTempFile = 10001;
inline constexpr int kErrorCopySameFile = 10003; // source and target are one file
inline constexpr int kErrorCopySizeMismatch = 10004; // the copy did not get every byte of the source
inline constexpr int kErrorNotRegularFile = 10005; // a pipe, a device or a folder where a file was to be read
inline constexpr int kErrorFileTooLarge = 10006; // longer than what the program reads of such a file

} // namespace hy::base
