#include "clock/Dcf77Picture.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QToolTip>
#include <QVBoxLayout>

namespace kwf {

namespace {

constexpr int kStripCells = 60;
constexpr int kSecondCells = 60;

const QColor kEmpty(250, 250, 250);
const QColor kBit0(170, 200, 255);
const QColor kBit1(30, 70, 170);
const QColor kMark(40, 40, 40);
const QColor kErrorMark(200, 0, 0);

// One cell of a row, as a screen reader sees it.
class CellAccessible : public QAccessibleInterface {
public:
    CellAccessible(Dcf77Cells* row, int index) : m_row(row), m_index(index) {}
    bool isValid() const override { return m_row; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return parent() ? parent()->window() : nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_row); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override
    {
        return m_row && (t == QAccessible::Name || t == QAccessible::Description) ? m_row->text(m_index) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override
    {
        if (!m_row)
            return QRect();
        const QRect r = m_row->cellRect(m_index);
        return QRect(m_row->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = !m_row || !m_row->isVisible();
        return s;
    }

private:
    QPointer<Dcf77Cells> m_row;
    int m_index;
};

// The row: a list whose items are its cells.
class CellsAccessible : public QAccessibleWidget {
public:
    explicit CellsAccessible(Dcf77Cells* row) : QAccessibleWidget(row, QAccessible::List), m_ids(size_t(row->count()), 0) {}
    ~CellsAccessible() override
    {
        for (QAccessible::Id id : m_ids)
            if (id)
                QAccessible::deleteAccessibleInterface(id);
    }
    int childCount() const override { return int(m_ids.size()); }
    QAccessibleInterface* child(int i) const override
    {
        if (i < 0 || i >= childCount())
            return nullptr;
        if (!m_ids[size_t(i)])
            m_ids[size_t(i)] = QAccessible::registerAccessibleInterface(new CellAccessible(row(), i));
        return QAccessible::accessibleInterface(m_ids[size_t(i)]);
    }
    int indexOfChild(const QAccessibleInterface* c) const override
    {
        for (int i = 0; i < childCount(); ++i)
            if (m_ids[size_t(i)] && QAccessible::accessibleInterface(m_ids[size_t(i)]) == c)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override
    {
        return child(row()->cellAt(row()->mapFromGlobal(QPoint(x, y))));
    }

private:
    Dcf77Cells* row() const { return static_cast<Dcf77Cells*>(widget()); }
    mutable std::vector<QAccessible::Id> m_ids;
};

QAccessibleInterface* cellsFactory(const QString&, QObject* o)
{
    if (auto* row = qobject_cast<Dcf77Cells*>(o))
        return new CellsAccessible(row);
    return nullptr;
}

QString secondText(int second, const QString& what)
{
    return QStringLiteral("Seconde %1 : %2").arg(second).arg(what);
}

} // namespace

Dcf77Cells::Dcf77Cells(int count, QSize cell, QWidget* parent)
    : QWidget(parent), m_cells(size_t(count), Cell{kEmpty, QString()}), m_cell(cell)
{
    static const bool installed = (QAccessible::installFactory(cellsFactory), true);
    Q_UNUSED(installed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize Dcf77Cells::sizeHint() const
{
    return QSize(count() * (m_cell.width() + 1) + 1, m_cell.height() + 2);
}

QRect Dcf77Cells::cellRect(int i) const
{
    return QRect(1 + i * (m_cell.width() + 1), 1, m_cell.width(), m_cell.height());
}

int Dcf77Cells::cellAt(const QPoint& p) const
{
    const int i = (p.x() - 1) / (m_cell.width() + 1);
    return p.x() >= 1 && i < count() && cellRect(i).contains(p) ? i : -1;
}

void Dcf77Cells::setCell(int i, const QColor& fill, const QString& text)
{
    if (i < 0 || i >= count())
        return;
    Cell& c = m_cells[size_t(i)];
    if (c.fill != fill) {
        c.fill = fill;
        update(cellRect(i).adjusted(-1, -1, 1, 1));
    }
    if (c.text != text) {
        c.text = text;
        if (QAccessible::isActive()) {
            if (QAccessibleInterface* cell = QAccessible::queryAccessibleInterface(this)->child(i)) {
                QAccessibleEvent ev(cell, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&ev);
            }
        }
    }
}

void Dcf77Cells::paintEvent(QPaintEvent* e)
{
    m_lastPainted = e->rect();
    QPainter p(this);
    p.fillRect(e->rect(), palette().window());
    p.setPen(QColor(120, 120, 120));
    for (int i = 0; i < count(); ++i) {
        const QRect r = cellRect(i);
        if (!e->rect().intersects(r.adjusted(-1, -1, 1, 1)))
            continue;
        p.fillRect(r, m_cells[size_t(i)].fill);
        p.drawRect(r.adjusted(-1, -1, 0, 0));
    }
}

bool Dcf77Cells::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        auto* h = static_cast<QHelpEvent*>(e);
        const int i = cellAt(h->pos());
        if (i >= 0)
            QToolTip::showText(h->globalPos(), text(i), this, cellRect(i));
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(e);
}

// ---- the picture -----------------------------------------------------------------------

QColor Dcf77Picture::kindColour(Dcf77MinuteRecord::Kind k)
{
    using K = Dcf77MinuteRecord::Kind;
    switch (k) {
    case K::Decoded: return QColor(0, 170, 0);
    case K::Undecodable: return QColor(255, 140, 0);
    case K::WrongLength: return QColor(150, 150, 150);
    case K::ErrorMarks: return kErrorMark;
    }
    return kEmpty;
}

Dcf77Picture::Dcf77Picture(QWidget* parent) : QGroupBox(QStringLiteral("Réception"), parent)
{
    setObjectName(QStringLiteral("RECEPTION"));
    auto* v = new QVBoxLayout(this);
    auto row = [&](const QString& caption, Dcf77Cells* cells, const char* name) {
        cells->setObjectName(QString::fromLatin1(name));
        cells->setAccessibleName(caption);
        auto* h = new QHBoxLayout;
        auto* l = new QLabel(caption, this);
        l->setMinimumWidth(150);
        h->addWidget(l);
        h->addWidget(cells);
        h->addStretch(1);
        v->addLayout(h);
    };
    BANDE = new Dcf77Cells(kStripCells, QSize(9, 18), this);
    row(QStringLiteral("60 dernières minutes"), BANDE, "BANDE");
    SECONDES = new Dcf77Cells(kSecondCells, QSize(9, 12), this);
    row(QStringLiteral("Minute en cours"), SECONDES, "SECONDES");
    using K = Dcf77MinuteRecord::Kind;
    auto swatch = [](const QColor& c, const QString& what) {
        return QStringLiteral("<span style='color:%1'>■</span> %2").arg(c.name(), what);
    };
    const QStringList kinds = {swatch(kindColour(K::Decoded), QStringLiteral("décodée")),
                               swatch(kindColour(K::Undecodable), QStringLiteral("indécodable")),
                               swatch(kindColour(K::WrongLength), QStringLiteral("incomplète ou trop longue")),
                               swatch(kindColour(K::ErrorMarks), QStringLiteral("marques d'erreur"))};
    const QStringList seconds = {swatch(kBit0, QStringLiteral("0")), swatch(kBit1, QStringLiteral("1")),
                                 swatch(kMark, QStringLiteral("fin de minute"))};
    auto* legend = new QLabel(kinds.join(QStringLiteral("&nbsp;&nbsp;")) + QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;secondes : ")
                                  + seconds.join(QStringLiteral("&nbsp;&nbsp;")), this);
    legend->setObjectName(QStringLiteral("LEGENDE"));
    v->addWidget(legend);
    COMPTEURS = new QLabel(this);
    COMPTEURS->setObjectName(QStringLiteral("COMPTEURS"));
    COMPTEURS->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(COMPTEURS);
    VERDICT = new QLabel(this);
    VERDICT->setObjectName(QStringLiteral("VERDICT"));
    QFont bold = VERDICT->font();
    bold.setBold(true);
    VERDICT->setFont(bold);
    v->addWidget(VERDICT);
    showAll(Dcf77Reception(), 0);
}

void Dcf77Picture::showStrip(const Dcf77Reception& r)
{
    const auto& recs = r.records();
    const int shown = int(std::min<size_t>(recs.size(), kStripCells));
    const int empty = kStripCells - shown;
    for (int i = 0; i < empty; ++i)
        BANDE->setCell(i, kEmpty, QStringLiteral("pas de minute reçue"));
    for (int i = 0; i < shown; ++i) {
        const Dcf77MinuteRecord& rec = recs[recs.size() - size_t(shown - i)];
        BANDE->setCell(empty + i, kindColour(rec.kind()), rec.describe());
    }
}

void Dcf77Picture::showSeconds(const QByteArray& chars)
{
    std::vector<std::pair<QColor, QString>> cells(kSecondCells, {kEmpty, QString()});
    int n = 0;
    for (char c : chars) {
        if (c == 'E') {
            const int at = std::max(0, n - 1);
            cells[size_t(at)].first = kErrorMark;
            cells[size_t(at)].second += QStringLiteral(", marque d'erreur");
            continue;
        }
        if (c < '0' || c > '3' || n >= kSecondCells)
            continue;
        const bool end = c == '2' || c == '3';
        const int bit = (c - '0') & 1;
        cells[size_t(n)] = {end ? kMark : bit ? kBit1 : kBit0,
                            QString::number(bit) + (end ? QStringLiteral(", fin de minute") : QString())};
        ++n;
    }
    for (int i = 0; i < kSecondCells; ++i) {
        const auto& [fill, what] = cells[size_t(i)];
        SECONDES->setCell(i, fill, secondText(i, what.isEmpty() ? QStringLiteral("pas encore reçue") : what));
    }
}

void Dcf77Picture::showCounters(const Dcf77Reception& r, qint64 nowMs)
{
    const QString text = r.counters(nowMs).text(r.pcOffsetMinutes());
    if (COMPTEURS->text() != text)
        COMPTEURS->setText(text);
    const QString verdict = r.verdict(nowMs);
    if (VERDICT->text() != verdict) {
        VERDICT->setText(verdict);
        const bool good = verdict.startsWith(QStringLiteral("Réception bonne"));
        VERDICT->setStyleSheet(good ? QStringLiteral("color: #007000") : QStringLiteral("color: #b00000"));
    }
}

void Dcf77Picture::showAll(const Dcf77Reception& r, qint64 nowMs)
{
    showStrip(r);
    showSeconds(r.current());
    showCounters(r, nowMs);
}

void Dcf77Picture::characterAdded(const Dcf77Reception& r, const Dcf77MinuteRecord* ended, qint64 nowMs)
{
    if (ended) {
        showStrip(r);
        showSeconds(ended->chars);   // the minute stays in view until the next one begins
    } else {
        showSeconds(r.current());
    }
    showCounters(r, nowMs);
}

// ---- a saved file ----------------------------------------------------------------------

Dcf77Analysis::Dcf77Analysis(const QString& fileName, const Dcf77Replay& replay, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("ANALYSE"));
    setWindowTitle(QStringLiteral("Analyse du journal %1").arg(fileName));
    auto* v = new QVBoxLayout(this);
    picture = new Dcf77Picture(this);
    picture->showAll(replay.reception, replay.endMs);
    v->addWidget(picture);
    MINUTES = new QPlainTextEdit(this);
    MINUTES->setObjectName(QStringLiteral("MINUTES"));
    MINUTES->setReadOnly(true);
    MINUTES->setLineWrapMode(QPlainTextEdit::NoWrap);
    MINUTES->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    MINUTES->setPlainText(replay.reception.minuteLines().join(QLatin1Char('\n')));
    v->addWidget(MINUTES, 1);
    resize(760, 520);
}

} // namespace kwf
