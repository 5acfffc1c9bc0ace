#include "ui/main/ConfigView.h"

#include "core/config/ConsistencyRules.h"
#include "core/config/NumberText.h"
#include "core/config/ProgramInfo.h"
#include "core/workflow/ConfigDocument.h"
#include "ui/common/Buttons.h"
#include "ui/common/ClickLabel.h"
#include "ui/common/InfoLog.h"
#include "ui/main/ExtensionPanel.h"
#include "ui/main/MainWindowTexts.h"
#include "ui/main/PanelParts.h"
#include "ui/main/RadioPanel.h"
#include "ui/main/Rs485Panel.h"
#include "ui/main/StationPanel.h"
#include "ui/main/SystemDataPanel.h"
#include "ui/main/WordField.h"
#include "ui/outputs/OutputGrid.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {
// Diagnostic fields beyond the visible width: the words the rules derive.
constexpr int HiddenLeft = 700;
const FieldRow HiddenFields[] = {
    {"E_timerNo1", Word::TimerNo1, FieldKind::Time, 9, {HiddenLeft + 92, 8, 100, 20}, nullptr,
     &MainTexts::CaptionTimerNo1, {HiddenLeft, 8, 90, 20}, 3, true},
    {"E_TimerNo2", Word::TimerNo2, FieldKind::Time, 9, {HiddenLeft + 92, 32, 100, 20}, nullptr,
     &MainTexts::CaptionTimerNo2, {HiddenLeft, 32, 90, 20}, 3, true},
    {"E_HFresettime", Word::ResetTime, FieldKind::Time, 9, {HiddenLeft + 92, 56, 100, 20}, nullptr,
     &MainTexts::CaptionResetTime, {HiddenLeft, 56, 90, 20}, 3, true},
    {"E_selfsent", Word::SelfSent, FieldKind::Integer, 5, {HiddenLeft + 92, 80, 100, 20}, nullptr,
     &MainTexts::CaptionSelfSent, {HiddenLeft, 80, 90, 20}, 3, true},
};

QPlainTextEdit *makeMemo(QWidget *parent, const char *name, const QRect &rect)
{
    auto *memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setGeometry(rect);
    return memo;
}
} // namespace

ConfigView::ConfigView(ConfigDocument &document, const Clock &clock, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
{
    // The client area is laid out 1524 pixels wide; the window shows only its left part.
    // The panels are made in the order the Tab key visits them.
    setObjectName(QStringLiteral("client"));

    m_stations = new StationPanel(m_document, this);
    m_radio = new RadioPanel(m_document, this);
    m_extensions = new ExtensionPanel(m_document, this);
    makePanel(this, "Panel8", MainTexts::AusgangsZuordnung, QRect(19, 234, 419, 22));
    m_grid = new OutputGrid(this);
    m_grid->setObjectName(QStringLiteral("Tabwerte"));
    m_grid->setGeometry(19, 254, 419, 209);
    m_grid->setToolTip(MainTexts::HintTabwerte);
    m_log = new InfoLog(clock, this);
    m_log->setObjectName(QStringLiteral("MInfo"));
    m_log->offerSaving(MainTexts::ProtokollSpeichern);
    m_log->setGeometry(19, 469, 617, 182);

    buildRightColumn();
    buildHiddenControls();
    m_fields = m_stations->fields() + m_radio->fields() + m_rs485->fields() + m_fields;

    for (ClickLabel *line : m_logoLines)
        connect(line, &ClickLabel::doubleClicked, this, &ConfigView::logoDoubleClicked);
}

void ConfigView::buildRightColumn()
{
    m_systemData = new SystemDataPanel(m_document, this);

    QFrame *logo = makePanel(this, "Plogo", QString(), QRect(444, 116, 192, 33));
    const QString lines[2] = {MainTexts::LogoLine1, QLatin1String(ProgramInfo::MakerHost)};
    for (int i = 0; i < 2; ++i) {
        m_logoLines[i] = new ClickLabel(lines[i], logo);
        m_logoLines[i]->setObjectName(QStringLiteral("LLogo%1").arg(i + 1));
        m_logoLines[i]->setGeometry(4, 2 + i * 14, 184, 14);
        m_logoLines[i]->setAlignment(Qt::AlignHCenter);
        QPalette palette = m_logoLines[i]->palette();
        palette.setColor(QPalette::WindowText, PanelColour::Greyed);
        m_logoLines[i]->setPalette(palette);
    }

    m_rs485 = new Rs485Panel(m_document, this);

    m_read = makeButton(this, "ButRead", MainTexts::ButRead, QRect(444, 321, 192, 68));
    m_read->setToolTip(MainTexts::HintRead);
    m_write = makeButton(this, "ButWrite", MainTexts::ButWrite, QRect(444, 395, 192, 68));
    m_write->setToolTip(MainTexts::HintWrite);
}

void ConfigView::buildHiddenControls()
{
    m_fields = buildFields(m_document, HiddenFields, this);

    m_diagnostic = makeMemo(this, "Memo1", QRect(HiddenLeft, 110, 200, 400));
    m_diagnostic->setReadOnly(true);
    m_knock = makeButton(this, "Bklopf", MainTexts::Bklopf, QRect(HiddenLeft, 520, 100, 25));
    m_factoryButton = makeButton(this, "ButCal", MainTexts::ButCal, QRect(HiddenLeft + 110, 520, 150, 25));
    m_factoryButton->setToolTip(MainTexts::HintCal);
    m_factoryButton->hide();
    m_fileText = makeMemo(this, "MemoFile", QRect(HiddenLeft + 220, 110, 200, 400));
    m_fileText->hide();

    // Its colour marks fields of stations and converters that exist.
    m_presentColour = new QFrame(this);
    m_presentColour->setObjectName(QStringLiteral("colorvorhanden"));
    m_presentColour->setGeometry(HiddenLeft + 220, 8, 40, 40);
    m_presentColour->setAutoFillBackground(true);
    QPalette palette = m_presentColour->palette();
    palette.setColor(QPalette::Window, QColor(206, 243, 205));
    m_presentColour->setPalette(palette);
    m_presentColour->hide();
}

void ConfigView::showDocument(const FirmwareVersion &firmware)
{
    showDiagnosticWords();
    m_stations->showRole();
    m_rs485->showIncluded();
    m_grid->setGridRowCount(gridRowCount(m_document.word(Word::ExtensionGroups)));
    m_extensions->showChoice();
    m_rs485->markTimeout(rs485TimeoutTooShort(m_document.configImage()));
    m_radio->markTimeout(radioTimeoutTooShort(m_document.configImage()));
    for (WordField *field : std::as_const(m_fields))
        field->showWord();
    m_systemData->showData(firmware);
    m_stations->showPresence(presentColour());
    m_rs485->showSources(presentColour());
    showOutputs();
}

void ConfigView::showDiagnosticWords()
{
    QStringList lines;
    for (int i = 0; i < 128; ++i)
        lines << QString::number(i) + QStringLiteral(": ") + hexText(m_document.word(i), 4);
    m_diagnostic->setPlainText(lines.join(QLatin1Char('\n')));
}

void ConfigView::showOutputs()
{
    m_grid->showdigTab(m_document.outputs());
}

void ConfigView::showModuleData()
{
    m_systemData->showModuleData();
}

QColor ConfigView::presentColour() const
{
    return m_presentColour->palette().color(QPalette::Window);
}

void ConfigView::stopEditing()
{
    for (WordField *field : std::as_const(m_fields))
        field->stopEditing();
}
