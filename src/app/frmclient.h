#pragma once

// The client panel: the client's (member's) name, kept in the first job record. Entering the
// field selects the name; leaving it saves the name unless it is blank, which is refused.

#include <QWidget>

#include <optional>

#include "store/store.h"

class QLineEdit;

namespace dipsheet::app {

class FrmClient : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the stored name of the first job record.
    // The job record is read from and saved to `database`.
    FrmClient(QWidget* parentArea, const store::JobDatabase& database);

    QLineEdit* txtClient;

    // The window closes, or another reads the job: a name being edited (`editing`), or one
    // whose save failed earlier, is kept as leaving the field would keep it, unless it is blank
    // (then the stored name stays). Returns the failure the user can mend, if the save meets
    // one.
    std::optional<store::StoreError> keepName(bool editing);

private:
    // Any name but a blank one (empty or spaces only) is stored exactly as typed, leading
    // spaces included, as the field is left. A busy or read-only file is said once the user is
    // back; the name stays on screen and the next save writes it.
    void txtClient_LostFocus();
    // Writes the name; the failure the user can mend, if any (the name then waits for the next
    // save).
    std::optional<store::StoreError> saveName();
    // Once the focus has settled: a blank name is refused with a message, the focus goes back.
    void refuseBlankName();

    const store::JobDatabase m_database;
    bool m_unsaved = false;  // a save failed: the name on screen is not yet in the file
};

}  // namespace dipsheet::app
