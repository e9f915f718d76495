// The hidden files an output is written to before it takes the target's place,
// ".<name>.<random>.tmp", and what a replaced file keeps of the one it replaces.
#pragma once

#include <sys/stat.h>

#include <string>

// Creates a new hidden file for the target name in folder (ending in '/', or empty for the
// current folder), mode given, and holds an exclusive flock on it through lockFd for as
// long as lockFd stays open, so that a later run can tell a file being written from one
// a killed run left. Returns the writing descriptor and sets path and lockFd, or -1 with
// errno set. The name is recorded for the signal handlers (pendingSlot).
int CreateHiddenFile(const std::string& folder, const std::string& name, mode_t mode,
                     std::string& path, int& lockFd, int& pendingSlot);

// Removes this user's hidden files for the target name in folder that no process holds:
// what a killed run left behind.
void RemoveAbandonedHiddenFiles(const std::string& folder, const std::string& name);

// Gives the new file fd the owner, group, mode and extended attributes (ACLs among them)
// of the existing file at path, as far as the user may set them.
void CopyFileAttributes(int fd, const std::string& path, const struct stat& existing);

// Copies the whole of the file at from over the open file to, from its start, and cuts it
// at the copy's end. 0, or the errno value of the failure.
int CopyOver(const std::string& from, int to);
