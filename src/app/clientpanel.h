#pragma once

// The client panel: the client's (member's) name, kept in the first job record. Entering the
// field selects the name; leaving it saves the job unless the name is blank, which is refused.
// The panel is a view on the job document: what is typed goes to the document at once.

#include <QList>
#include <QWidget>

#include "jobdocument.h"

class QLineEdit;

namespace dipsheet::app {

class ClientPanel : public QWidget {
    Q_OBJECT

public:
    // Form_Load: shows the client name of the job record `job` (loaded).
    ClientPanel(QWidget* parentArea, document::JobDocument& job);

    // The name field, the first stop of the keyboard; and whether it holds the new file's
    // placeholder ("Client Name", which would be printed as the client).
    QList<QWidget*> keyboardOrder() const;
    bool holdsPlaceholder() const;

private:
    QLineEdit* txtClient;

private:
    // Any name but a blank one (empty or spaces only) is stored exactly as typed, leading
    // spaces included, as the field is left; a blank one is never stored.
    void saveName();
    // Once the focus has settled: a blank name is refused with a message, the focus goes back.
    void refuseBlankName();

    document::JobDocument& m_job;
};

}  // namespace dipsheet::app
