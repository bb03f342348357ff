#pragma once

// What every widget test shares: a scratch job database (a fresh QRTMembers.mdb made from the
// schema in a temporary working directory, with SQL run and rows read behind the program's
// back) and small helpers that act as the user would.

#include <QAbstractButton>
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <array>
#include <functional>
#include <vector>

namespace gui_testing {

// A fresh QRTMembers.mdb made from the schema in a temporary working directory; the previous
// working directory comes back when it goes.
class ScratchDatabase {
public:
    ScratchDatabase() : m_previous(QDir::currentPath()) { QDir::setCurrent(m_dir.path()); }
    ~ScratchDatabase() { QDir::setCurrent(m_previous); }

    bool create(QString* error) {
        QFile schema(QString::fromLocal8Bit(qgetenv("DIPSHEET_SCHEMA")));
        if (!schema.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the schema '%1'").arg(schema.fileName());
            return false;
        }
        return exec(schema.readAll(), error, SQLITE_OPEN_CREATE);
    }

    // Runs SQL on the file behind the program's back; false with the reason on failure.
    bool exec(const QByteArray& sql, QString* error = nullptr, int extraFlags = 0) {
        sqlite3* db = nullptr;
        int rc =
            sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE | extraFlags, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK && error)
            *error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return rc == SQLITE_OK;
    }

    // The first mrQRT record: member, customer, tank description, serial number.
    QStringList jobRecord() {
        QStringList fields;
        query(
            "SELECT mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo FROM mrQRT "
            "ORDER BY rowid LIMIT 1",
            [&](sqlite3_stmt* s) {
                for (int i = 0; i < 4; ++i)
                    fields << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
            });
        return fields;
    }

    // Every Capacity row in table order, as singles.
    std::vector<std::array<float, 2>> capacity() {
        std::vector<std::array<float, 2>> rows;
        query("SELECT Depth, Capacity FROM Capacity ORDER BY rowid", [&](sqlite3_stmt* s) {
            rows.push_back({static_cast<float>(sqlite3_column_double(s, 0)),
                            static_cast<float>(sqlite3_column_double(s, 1))});
        });
        return rows;
    }

    bool removeFile() { return QFile::remove(QStringLiteral("QRTMembers.mdb")); }
    QString path() const { return m_dir.path(); }

private:
    void query(const char* sql, const std::function<void(sqlite3_stmt*)>& row) {
        sqlite3* db = nullptr;
        if (sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* stmt = nullptr;
            if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
                while (sqlite3_step(stmt) == SQLITE_ROW)
                    row(stmt);
            }
            sqlite3_finalize(stmt);
        }
        sqlite3_close(db);
    }

    QTemporaryDir m_dir;
    QString m_previous;
};

// The bytes of a file, or none when it cannot be read.
inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Runs SQL on QRTMembers.mdb in the working directory behind the program's back.
inline bool runSql(const char* sql) {
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        qWarning("%s: %s", sql, sqlite3_errmsg(db));
    sqlite3_close(db);
    return rc == SQLITE_OK;
}

// The first column of the first row of `sql` on QRTMembers.mdb, byte for byte, or "<error>" /
// "<none>".
inline QByteArray scalar(const char* sql) {
    sqlite3* db = nullptr;
    QByteArray result = "<error>";
    if (sqlite3_open_v2("QRTMembers.mdb", &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
            const int rc = sqlite3_step(stmt);
            if (rc == SQLITE_ROW) {
                result = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)),
                                    sqlite3_column_bytes(stmt, 0));
            } else if (rc == SQLITE_DONE) {
                result = "<none>";
            }
        }
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return result;
}

// The shipped report definitions copied into the working directory, sent to `destination`
// (preview, printer or pdf).
inline bool copyDefinitions(const QByteArray& destination = "preview") {
    const QDir data = QFileInfo(QString::fromLocal8Bit(qgetenv("DIPSHEET_SCHEMA"))).dir();
    for (const char* name : {"indipsheet.rpt", "mmdipsheet.rpt"}) {
        QFile in(data.filePath(QString::fromLatin1(name)));
        if (!in.open(QIODevice::ReadOnly))
            return false;
        QByteArray text = in.readAll();
        text.replace("Destination=preview", "Destination=" + destination);
        QFile out(QString::fromLatin1(name));
        if (!text.contains("Destination=" + destination) || !out.open(QIODevice::WriteOnly) ||
            out.write(text) != text.size())
            return false;
    }
    return true;
}

// Clicks an option button or check box on its indicator.
inline void clickOption(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(7, button->height() / 2));
}

// Replaces a field's text by typing, one keystroke at a time, with the focus in the field.
inline void typeInto(QLineEdit* field, const QString& text) {
    field->setFocus(Qt::OtherFocusReason);
    field->clear();
    QTest::keyClicks(field, text);
}

// Lets queued focus handlers run.
inline void settle() {
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

}  // namespace gui_testing
