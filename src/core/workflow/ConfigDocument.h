#pragma once

#include "core/config/ConfigImage.h"
#include "core/outputs/DigTab.h"

#include <QObject>

#include <functional>

// The configuration the tool works on: the image the user edits, the image last read from the
// module, the image last sent to it, the output table, the output being edited and the date
// a write stamps. Windows observe it; everything that changes it goes through these methods,
// so every change that matters to a window is announced. The image keeps itself consistent:
// every change of it ends with its rules (makeConsistent()) before it is announced, so the
// image shown, saved and written is always one that obeys them.
class ConfigDocument : public QObject
{
    Q_OBJECT
public:
    explicit ConfigDocument(QObject *parent = nullptr);

    const ConfigWords &configImage() const { return m_config; }
    quint16 word(int address) const { return m_config[size_t(address)]; }
    const ConfigWords &readBackImage() const { return m_readBack; }
    const ConfigWords &writeImage() const { return m_write; }
    const DigTable &outputs() const { return m_outputs; }
    // The entry of output `number` (1..36), or nullptr for a number that names no output.
    const DigEntry *output(int number) const;
    // The output the editor works on: 1..36, or a number that names none.
    int currentOutput() const { return m_currentOutput; }
    ProgrammingDate programmingDate() const { return m_date; }

    // An edit of the image. It is announced also when no word changed: every edit ends with
    // the display showing the image as it is.
    void edit(const std::function<void(ConfigWords &)> &change);
    void setWord(int address, quint16 value);
    // A whole new image with the output table taken from its words: a read, a verify, a file.
    void takeImage(const ConfigWords &image);
    // The defaults of both the image and the output table.
    void resetToDefaults();
    // Writes the output table into its words of the image. Not announced: the outputs are
    // shown already, only their place changes.
    void foldOutputs();
    // The image as a write would send it: the output table folded in, the document unchanged.
    ConfigWords foldedImage() const;

    void setReadBackImage(const ConfigWords &image) { m_readBack = image; }
    void setWriteImage(const ConfigWords &image) { m_write = image; }

    void setOutput(int number, const DigEntry &entry);
    void setCurrentOutput(int number) { m_currentOutput = number; }
    void setProgrammingDate(const ProgrammingDate &date);

signals:
    void configChanged();
    void outputsChanged();
    void programmingDateChanged();

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
    ConfigWords m_readBack{};
    ConfigWords m_write{};
    DigTable m_outputs{};
    int m_currentOutput = 1;
    ProgrammingDate m_date;
};
