#pragma once

#include "core/config/ConfigImage.h"
#include "core/outputs/DigTab.h"

#include <QObject>

#include <functional>

// The user's configuration: the image and its output table, which is the image's words 102 to
// 173 read as outputs. Windows observe it; everything that changes it goes through these
// methods, so every change that matters to a window is announced. The image keeps itself
// consistent: every change of it ends with its rules (makeConsistent()) before it is announced,
// so the image shown, saved and written is always one that obeys them. An output edit lands in
// the image at once: the image is never behind its table.
class ConfigDocument : public QObject
{
    Q_OBJECT
public:
    explicit ConfigDocument(QObject *parent = nullptr);

    const ConfigWords &configImage() const { return m_config; }
    quint16 word(int address) const { return m_config[size_t(address)]; }
    const DigTable &outputs() const { return m_outputs; }
    // The entry of output `number` (1..36), or nullptr for a number that names no output.
    const DigEntry *output(int number) const;

    // An edit of the image. It is announced also when no word changed: every edit ends with
    // the display showing the image as it is.
    void edit(const std::function<void(ConfigWords &)> &change);
    void setWord(int address, quint16 value);
    // A whole new image with the output table taken from its words: a read, a verify, a file.
    void takeImage(const ConfigWords &image);
    // The defaults of both the image and the output table.
    void resetToDefaults();
    // One output's assignment, in the table and in its words of the image; announced as a
    // change of the outputs.
    void setOutput(int number, const DigEntry &entry);

signals:
    void configChanged();
    void outputsChanged();

private:
    // What the document makes of every image it holds: the role rule (a master is station 0),
    // the choice of extension channels (word 100 names 0..4 groups; a value beyond falls back
    // to none, unless none was the choice already), then the eight consistency rules; again
    // until nothing changes.
    void makeConsistent();
    void changed();

    ConfigWords m_config{};
    // The number of extension groups last chosen; -1 before the first choice.
    int m_extensionChoice = -1;
    DigTable m_outputs{};
};
