#pragma once

// Whether the directory open as dirFd holds a CACHEDIR.TAG that marks it as a cache: a
// regular file (not a link) whose first bytes are the tag's signature, as tar, borg and
// ncdu check it. Read relative to the directory, never following a link; any failure to
// read it means "no".
bool HasCacheDirTag(int dirFd);
