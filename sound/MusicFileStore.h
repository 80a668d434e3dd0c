#pragma once
// Playable files for the music tracks. A track is a file path with, usually, the
// file's bytes embedded in the document. When the path names no file here, the bytes
// are written to a file of the temporary folder and the track is renamed to it. The
// store remembers which names it handed out in this run, so two tracks with the same
// file name from different source folders get files of their own, and a track that
// was written once (every scene slot loads its own copy of the document) reuses its
// file. The files are left in place for the rest of the run and after it.

#include <cstdint>
#include <map>
#include <set>

#include "document/ResourceEntry.h"

// A file name derived from the track's source path that can be created inside a
// folder: no separators or characters the file system refuses, no device name, not
// "." or "..", bounded length, the extension kept (DirectShow chooses its source
// filter by it).
ds_string MakeSafeMusicFileName(const ds_string& sourcePath);

// True when `path` names an existing file (not a folder).
bool IsExistingFile(const ds_string& path);

// Writes the bytes as the whole file at `path` (made anew); a file that could not be
// written whole is deleted. False when it failed.
bool WriteWholeFile(const ds_string& path, const unsigned char* bytes, uint32_t size);

class DS_MusicFileStore {
public:
  // `folder` is where the files go; a missing trailing backslash is added. An empty
  // folder writes nothing.
  explicit DS_MusicFileStore(const ds_string& folder);

  // Makes the track's name a playable path: a track without bytes is left as it is
  // (its name is played as a path); a track whose path exists drops its bytes;
  // otherwise the bytes are written to a file of the folder, the track is renamed to
  // it and the bytes are freed. When the write fails the track keeps its name and its
  // bytes, and the result is false.
  bool EnsurePlayableFile(DS_NamedBuffer& track);

  const ds_string& Folder() const { return m_folder; }

private:
  // Writes the bytes under a name not yet handed out for another track; the path
  // written, or empty.
  ds_string WriteUniqueFile(const ds_string& fileName, const DS_NamedBuffer& track);

  ds_string m_folder;
  // Source path and size of each track written -> its file.
  std::map<std::pair<ds_string, uint32_t>, ds_string> m_written;
  // Upper-case file names handed out (the file system ignores case).
  std::set<ds_string> m_usedNames;
};

// The store of the process's temporary folder (GetTempPathW), made on first use.
DS_MusicFileStore& TempMusicFileStore();

// The play-list step of loading a document: EnsurePlayableFile through the
// temporary folder's store.
bool EnsurePlayableMusicFile(DS_NamedBuffer& track);
