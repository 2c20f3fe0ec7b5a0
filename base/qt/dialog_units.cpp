#include "base/qt/dialog_units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace sorpex {
namespace {

// The rounding of the Windows MulDiv, for the non-negative values of a layout.
int mulDiv(int value, int numerator, int denominator) {
    return (2 * value * numerator + denominator) / (2 * denominator);
}

// How much wider and taller a control must be to show its whole text.
QSize textDeficit(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->wordWrap()) {
            return {0, label->heightForWidth(label->width()) - label->height()};
        }
        return label->sizeHint() - label->size();
    }
    if (auto* group = qobject_cast<QGroupBox*>(control)) {
        QStyleOptionGroupBox option;
        option.initFrom(group);
        option.text = group->title();
        option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        option.textAlignment = group->alignment();
        QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
        return {title.right() - option.rect.right(), 0};
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    if (button == nullptr || button->text().isEmpty()) {
        return {};
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement contents = qobject_cast<QCheckBox*>(button)      ? QStyle::SE_CheckBoxContents
                                  : qobject_cast<QRadioButton*>(button) ? QStyle::SE_RadioButtonContents
                                                                        : QStyle::SE_PushButtonContents;
    QRect room = button->style()->subElementRect(contents, &option, button);
    QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    if (!button->icon().isNull()) {
        text.rwidth() += button->iconSize().width() + 4;
        text.rheight() = std::max(text.height(), button->iconSize().height());
    }
    return text - room.size();
}

// Spreads `grow` pixels over the two ends of [start, start + length) as the text's alignment
// lets it run: towards the end, towards the start, or to both sides.
void growSpan(int& start, int& length, int grow, bool towardsStart, bool towardsEnd) {
    if (grow <= 0) {
        return;
    }
    if (towardsStart && towardsEnd) {
        start -= grow / 2;
    } else if (towardsStart) {
        start -= grow;
    }
    length += grow;
}

// Dialog units as the Windows dialog manager takes them from a font: a horizontal unit is a
// quarter of its average width of the Latin letters, a vertical unit an eighth of its height.
struct DialogBaseUnits {
    int x = 0; // pixels per 4 horizontal units
    int y = 0; // pixels per 8 vertical units
};

DialogBaseUnits dialogBaseUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return {(letters / 26 + 1) / 2, metrics.height()};
}

// A label, check box, radio button, push button or group box whose text does not fit the box it
// was placed in grows, towards the side its text runs to, rather than showing the text cut.
void growToFitText(QWidget* control) {
    QSize deficit = textDeficit(control);
    if (deficit.width() <= 0 && deficit.height() <= 0) {
        return;
    }
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        alignment = label->alignment();
    } else if (qobject_cast<QPushButton*>(control) != nullptr) {
        alignment = Qt::AlignCenter;
    } else if (qobject_cast<QGroupBox*>(control) != nullptr) {
        alignment = Qt::AlignLeft | Qt::AlignTop;
    }
    QRect box = control->geometry();
    int x = box.x();
    int y = box.y();
    int width = box.width();
    int height = box.height();
    // No horizontal flag reads as left, no vertical flag as top, as Qt draws them.
    bool left = (alignment & Qt::AlignLeft) || !(alignment & Qt::AlignHorizontal_Mask);
    bool right = (alignment & Qt::AlignRight) != 0;
    bool top = (alignment & Qt::AlignTop) || !(alignment & Qt::AlignVertical_Mask);
    bool bottom = (alignment & Qt::AlignBottom) != 0;
    growSpan(x, width, deficit.width(), !left, !right);
    growSpan(y, height, deficit.height(), !top, !bottom);
    control->setGeometry(x, y, width, height);
}

// An input control, as opposed to the texts, frames and buttons that carry their own words.
bool isField(const QWidget* widget) {
    return qobject_cast<const QLabel*>(widget) == nullptr && qobject_cast<const QGroupBox*>(widget) == nullptr &&
           qobject_cast<const QAbstractButton*>(widget) == nullptr;
}

// Keeps a label greyed while the field it names is.
class EnabledFollower : public QObject {
public:
    EnabledFollower(QLabel* label, QWidget* field) : QObject(label), m_label(label), m_field(field) {
        setObjectName("enabledFollower");
        field->installEventFilter(this);
        label->setEnabled(field->isEnabled());
    }
    ~EnabledFollower() override {
        if (m_field) {
            m_field->removeEventFilter(this);
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_field && event->type() == QEvent::EnabledChange) {
            m_label->setEnabled(m_field->isEnabled());
        }
        return false;
    }

private:
    QLabel* m_label;
    QPointer<QWidget> m_field;
};

// A label names the nearest field of its row (its caption before, its unit after it).
void followNearestField(QLabel* label) {
    const QRect box = label->geometry();
    QWidget* nearest = nullptr;
    int nearestGap = label->fontMetrics().height() * 4; // further away it names nothing here
    for (QWidget* sibling : label->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect other = sibling->geometry();
        if (!isField(sibling) || other.top() > box.bottom() || box.top() > other.bottom()) {
            continue;
        }
        const int gap = std::max({0, other.left() - box.right(), box.left() - other.right()});
        if (gap < nearestGap) {
            nearest = sibling;
            nearestGap = gap;
        }
    }
    delete label->findChild<EnabledFollower*>("enabledFollower", Qt::FindDirectChildrenOnly);
    if (nearest != nullptr) {
        new EnabledFollower(label, nearest);
    }
}

} // namespace

QRect dialogRect(const QWidget* widget, int x, int y, int width, int height) {
    DialogBaseUnits units = dialogBaseUnits(widget->window()->font());
    return QRect(mulDiv(x, units.x, 4), mulDiv(y, units.y, 8), mulDiv(width, units.x, 4), mulDiv(height, units.y, 8));
}

QSize dialogSize(const QWidget* widget, int width, int height) {
    return dialogRect(widget, 0, 0, width, height).size();
}

QLabel* addLabel(QWidget* dialog, const QString& text, int x, int y, int width, int height, Qt::Alignment alignment) {
    auto* label = new QLabel(text, dialog);
    label->setAlignment(alignment);
    label->setGeometry(dialogRect(dialog, x, y, width, height));
    growToFitText(label);
    followNearestField(label);
    return label;
}

void place(QWidget* control, const char* name, int controlId, int x, int y, int width, int height) {
    control->setObjectName(name);
    if (controlId != 0) {
        control->setProperty("controlId", controlId);
    }
    control->setGeometry(dialogRect(control->parentWidget(), x, y, width, height));
    growToFitText(control);
    // The labels of its row, placed before it, may name it rather than what they found then.
    if (isField(control)) {
        for (QLabel* label : control->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly)) {
            followNearestField(label);
        }
    }
}

void placeCombo(QComboBox* combo, const char* name, int controlId, int x, int y, int width, const QStringList& items) {
    combo->addItems(items);
    combo->setMaxVisibleItems(static_cast<int>(items.size()));
    place(combo, name, controlId, x, y, width, 12);
    combo->resize(combo->width(), combo->sizeHint().height());
}

} // namespace sorpex
