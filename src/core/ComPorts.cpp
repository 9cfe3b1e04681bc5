#include "core/ComPorts.h"
#include "core/ConfigFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace kwf {

QString SerialAdapter::key() const
{
    if (!byIdName.isEmpty())
        return QStringLiteral("by-id:") + byIdName;
    if (vendorId == 0 && productId == 0 && serialNumber.isEmpty())
        return QString();
    return QStringLiteral("usb:%1:%2:%3")
        .arg(vendorId, 4, 16, QLatin1Char('0'))
        .arg(productId, 4, 16, QLatin1Char('0'))
        .arg(serialNumber);
}

QString SerialAdapter::words() const
{
    QString w = QStringLiteral("adaptateur USB-série");
    if (!description.isEmpty())
        w += QLatin1Char(' ') + description;
    if (!serialNumber.isEmpty())
        w += QStringLiteral(", n° ") + serialNumber;
    return w;
}

ComTable ComTable::load(const QString& path)
{
    ComTable t;
    QByteArray data;
    if (!readFileStart(path, 1 << 20, &data))
        return t;
    for (const QString& raw : QString::fromUtf8(data).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        // COM3 <key> <words...>
        const QStringList parts = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() < 2 || !parts[0].startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = parts[0].mid(3).remove(QLatin1Char(':')).toInt(&ok);
        if (!ok || n < kFirstAdapterCom || n > kLastCom || t.numberOf(parts[1]) || t.entryFor(n))
            continue;
        t.m_entries.push_back({n, parts[1], parts.mid(2).join(QLatin1Char(' '))});
    }
    return t;
}

bool ComTable::save(const QString& path) const
{
    QByteArray text = "# Numéros COM des adaptateurs USB-série (kwf-tqv).\n"
                      "# Une ligne par adaptateur : COMn, son identité, sa description.\n"
                      "# Changez n (de 3 à 12) pour donner un autre numéro ; le programme relit ce fichier.\n";
    QList<ComTableEntry> sorted = m_entries;
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    for (const ComTableEntry& e : sorted)
        text += QStringLiteral("COM%1 %2 %3\n").arg(e.number).arg(e.key, e.words).toUtf8();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileWhole(path, text);
}

int ComTable::numberOf(const QString& key) const
{
    for (const ComTableEntry& e : m_entries)
        if (e.key == key)
            return e.number;
    return 0;
}

const ComTableEntry* ComTable::entryFor(int number) const
{
    for (const ComTableEntry& e : m_entries)
        if (e.number == number)
            return &e;
    return nullptr;
}

bool ComTable::assign(const QList<SerialAdapter>& adapters, const QList<int>& taken)
{
    bool changed = false;
    for (const SerialAdapter& a : adapters) {
        const QString key = a.key();
        if (key.isEmpty())
            continue;
        if (numberOf(key)) {
            for (ComTableEntry& e : m_entries)
                if (e.key == key && e.words != a.words()) {
                    e.words = a.words();
                    changed = true;
                }
            continue;
        }
        for (int n = kFirstAdapterCom; n <= kLastCom; ++n) {
            if (!entryFor(n) && !taken.contains(n)) {
                m_entries.push_back({n, key, a.words()});
                changed = true;
                break;
            }
        }
    }
    return changed;
}

bool ComTable::setNumber(const QString& key, int number, QString* why)
{
    const auto say = [why](const QString& s) { if (why) *why = s; return false; };
    if (number < kFirstAdapterCom || number > kLastCom)
        return say(QStringLiteral("Le numéro doit aller de %1 à %2.").arg(kFirstAdapterCom).arg(kLastCom));
    const ComTableEntry* other = entryFor(number);
    if (other && other->key != key)
        return say(QStringLiteral("COM%1 est déjà donné à %2.").arg(number).arg(other->words));
    for (ComTableEntry& e : m_entries)
        if (e.key == key) {
            e.number = number;
            return true;
        }
    return say(QStringLiteral("Adaptateur inconnu : %1").arg(key));
}

bool ComTable::forget(const QString& key)
{
    const auto before = m_entries.size();
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(), [&](const auto& e) { return e.key == key; }),
                    m_entries.end());
    return m_entries.size() != before;
}

QString ComPortTarget::toolTip() const
{
    QString t = QStringLiteral("COM%1: — ").arg(number);
    switch (source) {
    case Source::Unplugged:
        return t + adapter + QStringLiteral(" (débranché)");
    case Source::Adapter:
        return t + device + QStringLiteral(", ") + adapter;
    case Source::Link: {
        const QFileInfo fi(device);
        const QString target = fi.canonicalFilePath();
        t += device + QStringLiteral(" → ") + (target.isEmpty() ? fi.symLinkTarget() : target);
        if (target.isEmpty())
            t += QStringLiteral(" (périphérique absent)");
        if (!adapter.isEmpty())
            t += QStringLiteral(", ") + adapter;
        return t;
    }
    case Source::System:
        return t + (adapter.isEmpty() ? QStringLiteral("port série du système") : adapter);
    case Source::Unlisted:
        return t + QStringLiteral("absent de la liste des ports du système");
    case Source::BuiltIn:
        break;
    }
    return t + device;
}

PortDirectory::PortDirectory(const UserPlaces& places, AdapterLister lister, ComNumbering numbering)
    : m_places(places), m_lister(std::move(lister)), m_numbering(numbering)
{
}

QString PortDirectory::linkFor(int number) const
{
    const QString name = QStringLiteral("com%1").arg(number);
    for (const QString& dir : {m_places.dosdevicesDir(), m_places.siteDosdevicesDir()}) {
        const QString link = QDir(dir).filePath(name);
        if (!m_places.programDir.isEmpty() && QFileInfo(link).isSymLink())
            return link;
    }
    return QString();
}

QList<int> PortDirectory::linkedNumbers() const
{
    QList<int> l;
    for (int n = 1; n <= kLastCom; ++n)
        if (!linkFor(n).isEmpty())
            l << n;
    return l;
}

void PortDirectory::refresh()
{
    m_adapters = m_lister ? m_lister() : QList<SerialAdapter>();
    if (m_numbering == ComNumbering::System)
        return;
    // Read again every time: the user may have edited the file.
    m_table = ComTable::load(m_places.comTablePath());
    if (m_table.assign(m_adapters, linkedNumbers()))
        m_table.save(m_places.comTablePath());
}

ComPortTarget PortDirectory::resolve(int number) const
{
    ComPortTarget t;
    t.number = number;
    if (m_numbering == ComNumbering::System) {
        t.device = QStringLiteral("COM%1").arg(number);
        t.source = ComPortTarget::Source::Unlisted;
        for (const SerialAdapter& a : m_adapters)
            if (a.systemNumber == number) {
                t.source = ComPortTarget::Source::System;
                t.adapter = a.vendorId || a.productId ? a.words() : a.description;
            }
        return t;
    }
    const auto adapterAt = [this](const QString& device) -> const SerialAdapter* {
        for (const SerialAdapter& a : m_adapters)
            if (a.device == device)
                return &a;
        return nullptr;
    };
    t.device = linkFor(number);
    if (!t.device.isEmpty()) {
        t.source = ComPortTarget::Source::Link;
        if (const SerialAdapter* a = adapterAt(QFileInfo(t.device).canonicalFilePath()))
            t.adapter = a->words();
        return t;
    }
    if (const ComTableEntry* e = m_table.entryFor(number)) {
        t.adapter = e->words;
        for (const SerialAdapter& a : m_adapters)
            if (a.key() == e->key) {
                t.source = ComPortTarget::Source::Adapter;
                t.device = a.device;
                return t;
            }
        t.source = ComPortTarget::Source::Unplugged;
        return t;
    }
    t.device = QStringLiteral("/dev/ttyS%1").arg(number - 1);
    return t;
}

bool PortDirectory::setNumber(const QString& key, int number, QString* why)
{
    if (!m_table.setNumber(key, number, why))
        return false;
    return m_table.save(m_places.comTablePath());
}

bool PortDirectory::forget(const QString& key)
{
    return m_table.forget(key) && m_table.save(m_places.comTablePath());
}

ComPortTarget resolveComPort(int number, const UserPlaces& places, const AdapterLister& lister)
{
    PortDirectory d(places, lister);
    d.refresh();
    return d.resolve(number);
}

} // namespace kwf
