#pragma once
// Permission bits of open files: a file rebuilt through a temporary copy keeps the permissions of
// the file it replaces, and a file without any write permission counts as read-only even for a
// user whom the system would let write it.

#include "platform/File.h"

// Gives `to` the permission bits of `from`; false when they cannot be read or set.
bool CopyFilePermissions(const CFile& from, CFile& to) noexcept;

// True when the path names a file that nobody has write permission for.
bool IsMarkedReadOnly(const WString& path);
