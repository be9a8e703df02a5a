#pragma once
// One file written during the run, a capture or a snapshot, with what the file system and the
// capture knew of it when it was registered.

#include "common/datetime.h"

#include <QString>

#include <cstdint>

namespace camtrove::app {

struct TDataFichier
{
    QString path;
    QString name;
    QString folder;
    QString extension; // without its dot
    std::uint64_t size = 0;
    TDateTime creationTime = 0;  // shown as "Start of Capture"
    TDateTime lastWriteTime = 0; // shown as "End of Capture"
    TDateTime lastAccessTime = 0;
    std::uint32_t attributes = 0; // the file's permission bits
    bool found = false;           // false: the file was missing, only the path and texts are known
    QString videoSource;
    QString audioSource;
    QString audioEntry;
    QString captureFormat;
    std::int32_t droppedFrames = -1; // -1: no count was available
    std::int32_t capturedFrames = -1;

    // Reads the file system's part; the texts and counts are the caller's.
    [[nodiscard]] static TDataFichier FromFile(const QString& path);
};

} // namespace camtrove::app
