// CImageSnapshot: one copy of the viewer's current image in a temporary file
// ("qrv" prefix), for undo, redo and the image kept while a channel view shows.
#pragma once
#include <windows.h>
#include <cstdint>

class CImage;

class CImageSnapshot {
public:
    CImageSnapshot() = default;
    ~CImageSnapshot();
    CImageSnapshot(const CImageSnapshot&) = delete;
    CImageSnapshot& operator=(const CImageSnapshot&) = delete;

    // Snapshot of AppState::CurrentImage (or of the given image). A file that
    // cannot be created or written completely leaves the store empty (and no
    // file behind). Returns whether the store now holds a snapshot.
    bool Save();
    bool SaveFrom(CImage& image);
    // Puts the snapshot back into AppState::CurrentImage (or the given image).
    // The snapshot is discarded only when the image was restored completely; a
    // file that cannot be read back leaves image and store as they were.
    bool Restore();
    bool RestoreInto(CImage& image);
    // Reads the snapshot into image and keeps it in the store; false (image
    // as it was) when the file cannot be read back.
    bool ReadInto(CImage& image) const;
    // Deletes the file and empties the store; nothing for an empty store.
    int Discard();

    bool IsValid() const { return valid != 0; }
    const wchar_t* FileName() const { return fileName; }

    uint8_t valid = 0;                // the file holds a complete snapshot
    wchar_t fileName[MAX_PATH] = {};  // empty when not valid
};

// The three program-wide stores.
extern CImageSnapshot UndoSnapshot;
extern CImageSnapshot RedoSnapshot;
extern CImageSnapshot ChannelViewSnapshot;
