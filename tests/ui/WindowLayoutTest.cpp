// Every window and dialog, at Qt's default font, at 125 % of it and at a GNOME desktop's Cantarell 11 pt: no two
// sibling controls overlap (group boxes and empty sunken panels frame their neighbours and are left out), each
// control lies within its parent, and each control's text fits it by the font's metrics.
#include "WindowCatalogue.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace {

QString Describe(const QWidget* widget) {
    const QVariant id = widget->property("controlId");
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    return QStringLiteral("%1 %2 \"%3\"")
        .arg(QString::fromLatin1(widget->metaObject()->className()), id.isValid() ? id.toString() : QString(),
             box ? box->title() : widget->property("text").toString());
}

// A frame drawn around its neighbours, which are its siblings.
bool IsDecoration(const QWidget* widget) {
    if (qobject_cast<const QGroupBox*>(widget))
        return widget->children().isEmpty();
    const auto* frame = qobject_cast<const QFrame*>(widget);
    const auto* label = qobject_cast<const QLabel*>(widget);
    return frame && frame->metaObject()->className() == QStringLiteral("QFrame") ? frame->children().isEmpty()
           : label && label->frameShape() != QFrame::NoFrame                     ? label->text().isEmpty()
                                                                                 : false;
}

std::vector<const QWidget*> VisibleChildren(const QWidget* parent) {
    std::vector<const QWidget*> children;
    for (const QObject* object : parent->children()) {
        const auto* child = qobject_cast<const QWidget*>(object);
        if (child && !child->isWindow() && child->isVisibleTo(parent))
            children.push_back(child);
    }
    return children;
}

// `widget` and every visible widget below it.
void Walk(const QWidget* widget, const std::function<void(const QWidget*)>& visit) {
    visit(widget);
    for (const QWidget* child : VisibleChildren(widget))
        Walk(child, visit);
}

// The overlaps and escapes among `parent`'s visible children.
void CheckChildren(const QWidget* parent, QStringList& faults) {
    std::vector<const QWidget*> placed;
    for (const QWidget* child : VisibleChildren(parent)) {
        if (IsDecoration(child))
            continue;
        if (!parent->rect().contains(child->geometry()))
            faults << Describe(child) + " reaches out of " + Describe(parent);
        for (const QWidget* other : placed)
            if (child->geometry().intersects(other->geometry()))
                faults << Describe(child) + " overlaps " + Describe(other);
        placed.push_back(child);
    }
}

// What a control's text needs against what it has: the height of a wrapped label, the width of any other text.
struct Need {
    int needs;
    int has;
    const char* dimension = "wide";
};

// A push button's text (and picture) inside its frame, as the style sizes a button before its minimum width.
Need ButtonNeed(const QPushButton* button) {
    const QStyle* style = button->style();
    const int picture = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return {button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width() + picture +
                style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button),
            button->width()};
}

// A check box's or radio button's label beside its indicator.
Need IndicatorLabelNeed(const QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const auto contents =
        qobject_cast<const QRadioButton*>(button) ? QStyle::SE_RadioButtonContents : QStyle::SE_CheckBoxContents;
    return {button->fontMetrics().size(Qt::TextShowMnemonic, button->text()).width(),
            button->style()->subElementRect(contents, &option, button).width()};
}

// The widest entry a drop-down can show closed (disabled notes appear only in its opened list), against its room.
Need ComboNeed(const QComboBox* combo) {
    int widest = 0;
    for (int item = 0; item < combo->count(); ++item)
        if (combo->model()->flags(combo->model()->index(item, 0)) & Qt::ItemIsEnabled)
            widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(item)));
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = combo->isEditable();
    option.subControls = QStyle::SC_All;
    return {widest,
            combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo).width()};
}

// A group box's title must lie within its frame.
Need TitleNeed(const QGroupBox* box) {
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = box->title();
    option.textAlignment = box->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return {box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box).right() + 1,
            box->width()};
}

// Nothing for a control without a text (pictures are scaled to their buttons).
std::optional<Need> TextNeed(const QWidget* widget) {
    const auto* label = qobject_cast<const QLabel*>(widget);
    const auto* box = qobject_cast<const QGroupBox*>(widget);
    const auto* button = qobject_cast<const QAbstractButton*>(widget);
    if ((label && label->text().isEmpty()) || (box && box->title().isEmpty()) || (button && button->text().isEmpty()))
        return std::nullopt;
    if (label)
        return label->wordWrap() ? Need{label->heightForWidth(label->width()), label->height(), "high"}
                                 : Need{label->sizeHint().width(), label->width()};
    if (box)
        return TitleNeed(box);
    if (const auto* push = qobject_cast<const QPushButton*>(widget))
        return ButtonNeed(push);
    if (qobject_cast<const QCheckBox*>(widget) || qobject_cast<const QRadioButton*>(widget))
        return IndicatorLabelNeed(button);
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return ComboNeed(combo);
    return std::nullopt;
}

void CheckText(const QWidget* widget, QStringList& faults) {
    if (const auto need = TextNeed(widget); need && need->needs > need->has)
        faults << QStringLiteral("%1 needs %2 px %3, has %4")
                      .arg(Describe(widget))
                      .arg(need->needs)
                      .arg(QString::fromLatin1(need->dimension))
                      .arg(need->has);
}

struct FontRow {
    const char* name;
    QFont (*make)(const QFont& defaultFont);
};

const FontRow kFonts[] = {
    {"QtDefault", [](const QFont& font) { return font; }},
    {"QtDefaultAt125Percent",
     [](const QFont& font) {
         QFont larger = font;
         larger.setPointSizeF(font.pointSizeF() * 1.25);
         return larger;
     }},
    {"Cantarell11", [](const QFont&) { return QFont(QStringLiteral("Cantarell"), 11); }},
};

// Builds every window at the row's font, which the application lends each widget made meanwhile.
class EveryWindow : public ::testing::TestWithParam<FontRow> {
protected:
    void SetUp() override { QApplication::setFont(GetParam().make(m_default)); }
    void TearDown() override { QApplication::setFont(m_default); }

    const QFont m_default = QApplication::font();
};

TEST_P(EveryWindow, HasNoOverlappingControlsAndFitsEveryTextInItsControl) {
    // A font that is not installed would quietly measure another.
    const QFont font = QApplication::font();
    ASSERT_TRUE(font.family() == m_default.family() || QFontInfo(font).family() == font.family())
        << font.family().toStdString() << " is not installed";
    WindowCatalogue catalogue;
    ASSERT_TRUE(catalogue.IsReady());
    catalogue.ForEach([&](const QString& name, QWidget& window) {
        QStringList faults;
        Walk(&window, [&](const QWidget* widget) {
            CheckChildren(widget, faults);
            CheckText(widget, faults);
        });
        EXPECT_TRUE(faults.isEmpty()) << name.toStdString() << ":\n  " << faults.join("\n  ").toStdString();
    });
}

INSTANTIATE_TEST_SUITE_P(AtFont, EveryWindow, ::testing::ValuesIn(kFonts),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
