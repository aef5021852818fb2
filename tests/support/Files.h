#pragma once

#include <QFile>
#include <QTest>

// The settings file of a first run with some lines replaced; "BIRCH:Step= 2"
// names a line of that model's section.
inline QByteArray settingsWith(std::initializer_list<std::pair<const char *, const char *>> changes)
{
    QByteArray text = "[VAKO]\nModel=BIRCH\nKeyer_Type= 2\n"
                      "[ALDER_settings]\nFrequency= 136000\nStep= 1\nCW_speed= 100\nPower= 1\n"
                      "BaudRate= 115200\nPortnumber= 0\n"
                      "[BIRCH_settings]\nFrequency= 500000\nStep= 2\nCW_speed= 200\nPower= 0\n"
                      "BaudRate= 115200\nPortnumber= 0\n";
    for (const auto &[from, to] : changes) {
        const QList<QByteArray> parts = QByteArray(from).split(':');
        const qsizetype section = parts.size() == 2 ? text.indexOf("[" + parts[0] + "_") : 0;
        const qsizetype at = text.indexOf(parts.last() + '\n', section);
        if (at < 0)
            qFatal("no settings line %s", from);
        text.replace(at, parts.last().size(), to);
    }
    return text;
}

inline QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool putFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A data table whose rows are tuples: `rows<Row>({{"name", {...}}, ...})` in
// the _data function, `QFETCH(Row, row)` in the test.
template <typename Row> void rows(std::initializer_list<std::pair<const char *, Row>> table)
{
    QTest::addColumn<Row>("row");
    for (const auto &[name, row] : table)
        QTest::newRow(name) << row;
}

// ... or whose rows are lists of texts, the first of them the row's name.
inline void rows(std::initializer_list<QStringList> table)
{
    QTest::addColumn<QStringList>("row");
    for (const QStringList &row : table)
        QTest::newRow(qPrintable(row[0])) << row.mid(1);
}

// ... or written "name => text => text", as many rows to a line as fit.
inline void arrowRows(const QStringList &table)
{
    QTest::addColumn<QStringList>("row");
    for (const QString &row : table)
        QTest::newRow(qPrintable(row.section(" => ", 0, 0))) << row.split(" => ").mid(1);
}
