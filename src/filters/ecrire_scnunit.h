#pragma once
// The scene file (".scn") written beside a DV capture: a header naming the source tape, then one
// record per scene, the scene count patched into the header when the file is closed.
//
// One scene file is open at a time. The capture opens it on the user-interface thread before the
// graph runs and closes it after the graph has stopped; in between, scenes arrive from the DV
// source's streaming thread, and the last one from the thread that stops the graph.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <mutex>

namespace camtrove::filters {

struct TSceneFrameInfo;

class SceneFileWriter
{
public:
    // The one-byte length field limits the stored name to this many bytes.
    static constexpr int kMaxNameBytes = 255;
    static constexpr int kMaxScenes = 32768;

    // Creates or truncates the file and writes the header; false (and closed) when it cannot be created.
    [[nodiscard]] bool Open(const QString& fileName);
    // Records the scene that began at startCounter and ends before currentCounter (frame counters).
    void AddScene(std::uint32_t startCounter, std::uint32_t currentCounter);
    // Patches the scene count into the header and closes the file. Does nothing when closed.
    void Close();

    [[nodiscard]] bool IsOpen() const;
    [[nodiscard]] int SceneCount() const;

    // The name as the header stores it: UTF-8, cut to kMaxNameBytes at a character boundary.
    [[nodiscard]] static QByteArray StoredName(const QString& fileName);

private:
    mutable std::mutex m_mutex;
    QFile m_file;
    QByteArray m_name;
    qint64 m_countPosition = 0;
    int m_sceneCount = 0;
};

// The module's single scene file, as the capture and the scene callback use it.
[[nodiscard]] bool ScnOpen(const QString& fileName);
void ScnAddScene(const TSceneFrameInfo* start, const TSceneFrameInfo* current);
void ScnClose();
[[nodiscard]] SceneFileWriter& ScnWriter();

} // namespace camtrove::filters
