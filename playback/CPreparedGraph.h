#pragma once

#include "playback/CDShowGraph.h"

#include <QEvent>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

// The graph of the recording that plays next, built and prerolled ahead while the current one
// still plays, so that the end of a recording does not wait for a build. It is built without
// windows: its first frame is kept by its renderers and shown nowhere until the player takes
// the graph over (CDShowPlayer::TakeOver). What it was prepared with (the file and the rear
// picture's flips) is its key; a graph whose key no longer fits is dropped, not used.
// UI thread only; one prepared graph at a time.
class CPreparedGraph : public QObject
{
public:
    // What a graph is prepared with: the file and the flips its rear decoder starts with, as
    // an open would apply them (a single-stream recording starts unflipped).
    struct Key {
        QString path;
        bool flipVertical = false;
        bool flipHorizontal = false;
        bool operator==(const Key &) const = default;
    };

    CPreparedGraph() = default;
    ~CPreparedGraph() override;
    CPreparedGraph(const CPreparedGraph &) = delete;
    CPreparedGraph &operator=(const CPreparedGraph &) = delete;

    // Builds and prerolls the graph for key (mode as the player's) unless one for that key is
    // there already or failed already (a file that cannot be built is not tried again at every
    // call). Any other prepared graph is dropped first. True when a graph for key is ready.
    bool Prepare(const Key &key, int mode);
    // A graph for key is ready.
    bool IsReadyFor(const Key &key) const;
    // A graph for key is there (ready or settling), or it failed or was declined.
    bool Knows(const Key &key) const;
    // Nothing is prepared for key (its file is opened the usual way); asked again, Knows(key).
    void Decline(const Key &key);
    // A graph is there, ready or not, and the file it was prepared for.
    bool HasGraph() const { return static_cast<bool>(m_graph); }
    const CDShowGraph *Graph() const { return m_graph.get(); }
    const QString &PreparedPath() const { return m_key.path; }
    // The ready graph when it was prepared for key; nothing otherwise. Whatever is not taken
    // is dropped: one file is never open twice.
    std::unique_ptr<CDShowGraph> Take(const Key &key);
    // Lets go of the prepared graph (its file and decoders) and of the failure memory. During
    // a build (a nested event loop may call back here) the graph goes when the build returns.
    void Drop();

    // A graph a take-over replaced: torn down from the event loop, after the new picture has
    // been painted, or at the latest when this object goes.
    void Retire(std::unique_ptr<CDShowGraph> graph);
    bool HasRetired() const { return static_cast<bool>(m_retired); }

protected:
    bool event(QEvent *event) override;

private:
    static constexpr QEvent::Type kRetireEvent = QEvent::User;
    static void ApplyFlips(CDShowGraph &graph, const Key &key);

    std::unique_ptr<CDShowGraph> m_graph;
    Key m_key;
    std::optional<Key> m_failedKey;
    bool m_bBuilding = false;
    bool m_bDropRequested = false;
    std::unique_ptr<CDShowGraph> m_retired;
};
