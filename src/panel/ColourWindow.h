#pragma once
#include "core/DigitColours.h"

#include <QLabel>
#include <QWidget>
#include <vector>

class QFrame;
class QPushButton;

namespace kwf {

struct AppContext;

class Tqvbase;

// A sample digit: a label on dark grey whose text colour is the digit's colour. It reports a
// click (press and release on it) and a double click. The system delivers a double click as
// press, release, double click, release: the first release is a click, the double click stands
// for the second press and its release is not a click, so the gesture counts as two steps in all.
// A double click that comes alone (no click of this label just before) counts as both.
class ColourDigit : public QLabel {
    Q_OBJECT
public:
    ColourDigit(const QString& caption, QWidget* parent);
    ~ColourDigit() override;

    quint32 textRgb() const;
    void setTextRgb(quint32 rgb);

signals:
    void clicked();
    void doubleClicked();
    // A lone double click: the click that should have come before it never came.
    void clickBeforeDoubleClickMissing();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    bool m_pressed = false;
    static ColourDigit* s_lastClicked;
};

// The two colour windows: rows of six sample digits, a click moves a pair to the next colour,
// the send button writes every row's mask byte in the command block.
class ColourWindow : public QWidget {
    Q_OBJECT
public:
    struct Row {
        std::vector<const char*> captions;      // six digits
        std::vector<const char*> separators;    // between pairs: "" (gap) or ":"; empty: none
    };

    ColourWindow(const AppContext& ctx, colours::Board board, const QString& title,
                 const QString& instruction, const std::vector<Row>& rows);

    // Label2_1 .. Label2_n (index 0 unused).
    ColourDigit* Label2(int index) const { return m_digits.at(size_t(index)); }
    QPushButton* ENVOI_6DIGITCOUL = nullptr;

    void Label2_Click(int index);
    void Label2_DblClick(int index);
    void ENVOI_6DIGITCOUL_Click();

    // The colour codes the labels show, by label index (the window's model; the labels paint it).
    const colours::Codes& codes() const { return m_codes; }
    colours::Board board() const { return m_board; }

private:
    void applyCodes(const colours::Codes& codes);
    Tqvbase& m_tqv;
    colours::Board m_board;
    std::vector<ColourDigit*> m_digits;
    colours::Codes m_codes;
};

} // namespace kwf
