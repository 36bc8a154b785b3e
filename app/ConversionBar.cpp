// SPDX-License-Identifier: BSD-3-Clause
#include "app/ConversionBar.h"

#include <QApplication>
#include <QFontMetrics>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QStylePainter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

enum class Kind { Radio, Edit, Label, Progress, IconButton };

struct Rect {
    int x, y, w, h;
};

// One control of the layout template. Captions and tips are translated in
// the "ConversionBar" context with the English text as the source.
struct ControlDef {
    int id;
    Kind kind;
    const char* caption;
    const char* tip;
    Rect english;
    Rect japanese;
    const char* image; // button image under :/toolbar
};

// Template (tab) order. Positions in dialog units.
// clang-format off
const ControlDef kControls[] = {
    {IDC_RANGE_SEL, Kind::Radio, QT_TRANSLATE_NOOP("ConversionBar", "Identical Frames   Start"),
     QT_TRANSLATE_NOOP("ConversionBar", "Specify a Frame Period for TIFF Conversion"),
     {73, 4, 84, 8}, {73, 4, 56, 8}, nullptr},
    {IDC_ALL_FRAMES, Kind::Radio, QT_TRANSLATE_NOOP("ConversionBar", "All Frames"),
     QT_TRANSLATE_NOOP("ConversionBar", "All Frame Conversion"),
     {227, 3, 42, 8}, {199, 3, 32, 8}, nullptr},
    {IDC_START_FRAME, Kind::Edit, nullptr,
     QT_TRANSLATE_NOOP("ConversionBar", "Start Frame of Conversion/Playback"),
     {158, 1, 22, 12}, {130, 1, 22, 12}, nullptr},
    {IDC_END_FRAME, Kind::Edit, nullptr,
     QT_TRANSLATE_NOOP("ConversionBar", "End Frame of Conversion/Playback"),
     {200, 1, 22, 12}, {172, 1, 22, 12}, nullptr},
    {IDC_END_LABEL, Kind::Label, QT_TRANSLATE_NOOP("ConversionBar", "End"), nullptr,
     {186, 4, 14, 8}, {158, 4, 14, 8}, nullptr},
    {IDC_PROGRESS, Kind::Progress, nullptr, nullptr,
     {273, 2, 145, 11}, {236, 2, 145, 11}, nullptr},
    {IDC_TOP, Kind::IconButton, nullptr, QT_TRANSLATE_NOOP("ConversionBar", "Back to Top Frame"),
     {421, 1, 14, 12}, {384, 1, 14, 12}, "top"},
    {IDC_PLAY, Kind::IconButton, nullptr, QT_TRANSLATE_NOOP("ConversionBar", "Playback Display"),
     {456, 1, 14, 12}, {418, 1, 14, 12}, "play"},
    {IDC_ABORT, Kind::IconButton, nullptr,
     QT_TRANSLATE_NOOP("ConversionBar", "Abort Conversion/Playback"),
     {438, 1, 14, 12}, {401, 1, 14, 12}, "abort"},
    {IDC_16BITS, Kind::Radio, QT_TRANSLATE_NOOP("ConversionBar", "16bits"), nullptr,
     {3, 3, 33, 10}, {3, 3, 29, 10}, nullptr},
    {IDC_8BITS, Kind::Radio, QT_TRANSLATE_NOOP("ConversionBar", "8bits"), nullptr,
     {35, 3, 31, 10}, {35, 3, 26, 10}, nullptr},
};
// clang-format on

// Template sizes and fonts (the template fonts are Windows fonts: the
// application's font at the template's point size stands in for them).
constexpr QSize kEnglishUnits(476, 16);
constexpr QSize kJapaneseUnits(434, 16);
constexpr int kEnglishPointSize = 8;
constexpr int kJapanesePointSize = 9;

// Radio buttons with the narrow gap between mark and text of the platform
// the layout was drawn for, so captions fit their template widths.
class CompactRadioStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_RadioButtonLabelSpacing)
            return std::min(3, QProxyStyle::pixelMetric(metric, option, widget));
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// A run disables the bar's controls, the progress bar among them, but the
// progress is the run's main feedback: it keeps its normal look.
class RunProgressBar : public QProgressBar {
public:
    using QProgressBar::QProgressBar;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QStylePainter painter(this);
        QStyleOptionProgressBar option;
        initStyleOption(&option);
        option.state |= QStyle::State_Enabled;
        option.palette.setCurrentColorGroup(QPalette::Active);
        for (const QPalette::ColorRole role :
             {QPalette::Window, QPalette::WindowText, QPalette::Base, QPalette::Text,
              QPalette::Button, QPalette::ButtonText, QPalette::Highlight,
              QPalette::HighlightedText, QPalette::Light, QPalette::Midlight, QPalette::Mid,
              QPalette::Dark, QPalette::Shadow})
            option.palette.setBrush(QPalette::Disabled, role,
                                    option.palette.brush(QPalette::Active, role));
        painter.drawControl(QStyle::CE_ProgressBar, option);
    }
};

QString Translate(const char* text) {
    return text ? QCoreApplication::translate("ConversionBar", text) : QString();
}

// Keyboard access: the letter of each captioned control, marked in the
// caption where it occurs, else appended in parentheses as Japanese
// captions carry it.
struct Mnemonic {
    int id;
    char letter;
};
constexpr Mnemonic kMnemonics[] = {
    {IDC_RANGE_SEL, 'I'}, {IDC_ALL_FRAMES, 'A'}, {IDC_END_LABEL, 'N'},
    {IDC_16BITS, '6'},    {IDC_8BITS, '8'},
};

QString WithMnemonic(int id, const QString& caption) {
    for (const Mnemonic& m : kMnemonics) {
        if (m.id != id)
            continue;
        const qsizetype at = caption.indexOf(QLatin1Char(m.letter), 0, Qt::CaseInsensitive);
        if (at >= 0)
            return QString(caption).insert(at, QLatin1Char('&'));
        return caption + QStringLiteral("(&%1)").arg(QLatin1Char(m.letter));
    }
    return caption;
}

// The icon buttons have no caption: Alt and a letter press them.
QKeySequence ButtonKey(int id) {
    switch (id) {
    case IDC_TOP:
        return QKeySequence(Qt::ALT | Qt::Key_T);
    case IDC_PLAY:
        return QKeySequence(Qt::ALT | Qt::Key_P);
    case IDC_ABORT:
        return QKeySequence(Qt::ALT | Qt::Key_B);
    default:
        return {};
    }
}

// Dialog units to pixels with rounding, as the dialog manager maps them.
int MapUnits(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

} // namespace

ConversionBar::ConversionBar(bool japanese, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ConversionBar"));
    CreateControls(japanese);
}

void ConversionBar::CreateControls(bool japanese) {
    QFont barFont = QApplication::font();
    barFont.setPointSize(japanese ? kJapanesePointSize : kEnglishPointSize);
    setFont(barFont);

    // Dialog base units of the font: average width of the Latin alphabet and
    // the font height.
    const QFontMetrics metrics(barFont);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = std::max(1, MapUnits(metrics.horizontalAdvance(alphabet), 1, 52));
    m_baseY = std::max(1, metrics.height());

    const QSize units = japanese ? kJapaneseUnits : kEnglishUnits;
    m_templateSize =
        QSize(MapUnits(units.width(), m_baseX, 4), MapUnits(units.height(), m_baseY, 8));

    // Creation order is the focus (tab) order.
    for (const ControlDef& def : kControls) {
        QWidget* control = nullptr;
        switch (def.kind) {
        case Kind::Radio: {
            auto* radio = new QRadioButton(WithMnemonic(def.id, Translate(def.caption)), this);
            // The two range radios start groups of their own and the depth
            // radios are kept apart too: their state comes only from the
            // idle update, never from Qt's exclusivity.
            radio->setAutoExclusive(false);
            connect(radio, &QRadioButton::clicked, this, [this, id = def.id] { emit Command(id); });
            control = radio;
            break;
        }
        case Kind::Edit:
            control = new QLineEdit(this);
            break;
        case Kind::Label:
            control = new QLabel(WithMnemonic(def.id, Translate(def.caption)), this);
            break;
        case Kind::Progress: {
            auto* progress = new RunProgressBar(this);
            progress->setTextVisible(false);
            progress->setRange(0, 100);
            progress->reset();
            m_pProgress = progress;
            control = progress;
            break;
        }
        case Kind::IconButton: {
            auto* button = new QPushButton(this);
            // The program's own images, whatever icon theme is installed.
            QIcon icon;
            const QString image = QStringLiteral(":/toolbar/%1").arg(QLatin1String(def.image));
            icon.addFile(image + QStringLiteral(".png"));
            icon.addFile(image + QStringLiteral("@2x.png"));
            button->setIcon(icon);
            button->setFocusPolicy(Qt::StrongFocus);
            button->setShortcut(ButtonKey(def.id));
            connect(button, &QPushButton::clicked, this, [this, id = def.id] { emit Command(id); });
            control = button;
            break;
        }
        }
        control->setObjectName(QStringLiteral("IDC_%1").arg(def.id));
        if (def.tip)
            control->setToolTip(Translate(def.tip));
        const Rect& r = japanese ? def.japanese : def.english;
        control->setGeometry(MapUnits(r.x, m_baseX, 4), MapUnits(r.y, m_baseY, 8),
                             MapUnits(r.w, m_baseX, 4), MapUnits(r.h, m_baseY, 8));
        if (def.kind == Kind::IconButton) {
            const int side = std::max(8, std::min(control->width(), control->height()) - 6);
            static_cast<QPushButton*>(control)->setIconSize(QSize(side, side));
        }
        m_controls[static_cast<std::size_t>(def.id - kBarFirstId)] = control;
    }
    if (auto* label = qobject_cast<QLabel*>(Control(IDC_END_LABEL)))
        label->setBuddy(Control(IDC_END_FRAME));
    // The template puts All Frames a unit above the other captions of its
    // row; it sits on their line.
    QWidget* all = Control(IDC_ALL_FRAMES);
    all->move(all->x(), Control(IDC_RANGE_SEL)->y());
    FitCaptions();
    for (QWidget* control : m_controls)
        m_oneRow.append(control->geometry());
    setFixedSize(m_templateSize);
}

int ConversionBar::OneRowWidth() const {
    return m_templateSize.width();
}

void ConversionBar::SetTwoRows(bool twoRows) {
    if (twoRows == m_bTwoRows)
        return;
    m_bTwoRows = twoRows;
    // The progress bar and the buttons after it move to a second row below
    // the range controls, so a narrow window still shows all of them.
    const int split = m_oneRow[static_cast<qsizetype>(IDC_PROGRESS - kBarFirstId)].left();
    const int gap = MapUnits(3, m_baseX, 4);
    const int rowHeight = m_templateSize.height();
    int secondRowEnd = 0;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        QRect rect = m_oneRow[static_cast<qsizetype>(i)];
        if (twoRows && rect.left() >= split) {
            rect.translate(gap - split, rowHeight);
            secondRowEnd = std::max(secondRowEnd, rect.right() + 1);
        }
        m_controls[i]->setGeometry(rect);
    }
    setFixedSize(twoRows ? QSize(std::max(split, secondRowEnd + gap), 2 * rowHeight)
                         : m_templateSize);
}

// Our fonts are not the template's. A caption that needs more room than its
// box gets it, and every control to its right moves right by as much, so the
// template's order and spacing stay and nothing overlaps.
void ConversionBar::FitCaptions() {
    auto* compact = new CompactRadioStyle; // after the controls: destroyed after them
    compact->setParent(this);
    std::vector<QWidget*> order(m_controls.begin(), m_controls.end());
    std::stable_sort(order.begin(), order.end(), [](const QWidget* a, const QWidget* b) {
        return a->geometry().left() < b->geometry().left();
    });
    const int gap = MapUnits(2, m_baseX, 4);
    int shift = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        QWidget* control = order[i];
        QRect rect = control->geometry().translated(shift, 0);
        const bool captioned =
            qobject_cast<QRadioButton*>(control) || qobject_cast<QLabel*>(control);
        if (captioned) {
            if (qobject_cast<QRadioButton*>(control))
                control->setStyle(compact);
            const int needed = control->sizeHint().width();
            const int next = i + 1 < order.size() ? order[i + 1]->geometry().left() + shift
                                                  : std::numeric_limits<int>::max();
            // The template box, cut back where it would reach into the next
            // control (the depth radios' boxes overlap), but never below the
            // caption's own width.
            rect.setWidth(std::max(needed, std::min(rect.width(), next - rect.left())));
            if (next != std::numeric_limits<int>::max() && rect.left() + needed + gap > next)
                shift += rect.left() + needed + gap - next;
        }
        control->setGeometry(rect);
    }
    m_templateSize.rwidth() += shift;
}

QWidget* ConversionBar::Control(int id) const {
    if (id < kBarFirstId || id > kBarLastId)
        return nullptr;
    return m_controls[static_cast<std::size_t>(id - kBarFirstId)];
}

QProgressBar* ConversionBar::Progress() const {
    return m_pProgress;
}

QLineEdit* ConversionBar::Edit(int id) const {
    if (id != IDC_START_FRAME && id != IDC_END_FRAME)
        return nullptr;
    return static_cast<QLineEdit*>(Control(id));
}

QString ConversionBar::ControlText(int id) const {
    const QLineEdit* edit = Edit(id);
    return edit ? edit->text() : QString();
}

void ConversionBar::SetControlText(int id, const QString& text) {
    if (QLineEdit* edit = Edit(id)) {
        if (edit->text() != text)
            edit->setText(text);
    }
}

QSize ConversionBar::sizeHint() const {
    return m_templateSize;
}

QSize ConversionBar::minimumSizeHint() const {
    return m_templateSize;
}
