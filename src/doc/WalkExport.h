#pragma once
#include "model/Entry.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

class CItemSink;

// Writes a search in ncdu's export format (or Volra's own listing) while the walk runs, so
// that whoever reads the other end of a pipe (an SSH search) builds its tree while this one
// is still being walked.
// It is told of each directory as soon as the walk has read it (the walk's directory
// listener): the directory goes out at once, inside its parent, and its files stay until a
// place of their colour comes (the reader colours a child by its place in the file).
//
// The walk reads a directory's subdirectories last listed first, each with everything below
// it before the next; the files are dealt out between them so that each child's place gives
// back its colour as far as that order allows. A directory the walk never told of (one it
// did not enter, or a subtree its reader brought in one go) is written as it stands, with
// everything below it, when its parent is closed.
class CWalkExport {
public:
    // The writer is ready for the first item (an ncdu export opened and begun with
    // BeginStream, or a listing); it is not owned.
    explicit CWalkExport(CItemSink& writer) : m_writer(writer) {}

    // The next directory the walk has read: the start first, then always one inside a
    // directory told before. False with the writer's reason when it cannot be written, or
    // when the directory comes out of the walk's order.
    bool DirectoryRead(const CEntry& directory, std::string& strError);
    // After the walk: whatever is still held, the closing brackets, the file put in place.
    bool Finish(std::string& strError);

private:
    struct Level {
        const CEntry* pDirectory = nullptr;  // not owned, like every pointer here
        std::array<std::vector<const CEntry*>, 8> files;  // not written yet, by colour, in name order
        std::array<std::size_t, 8> next{};  // the first of each colour still to write
        std::size_t nPlace = 0;  // children written so far
        std::size_t nDirectories = 0;  // subdirectories, told of or not
        std::vector<const CEntry*> told;  // subdirectories written
    };
    static Level LevelOf(const CEntry& directory);
    bool Put(const CEntry& entry, std::size_t nDepth, std::string& strError);
    // Files of the innermost directory until the next place has nColour, or no file has the
    // colour of the next place.
    bool PutFilesBefore(int nColour, std::string& strError);
    // Writes the rest of the innermost directory and leaves it.
    bool Close(std::string& strError);

    CItemSink& m_writer;
    std::vector<Level> m_levels;  // the directories open in the file, the start first
};
