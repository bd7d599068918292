#pragma once
// Import Options...: how Import Table reads a table larger than one call can carry: the key field
// that divides it into partitions (named with its table, so it divides imports of that table only),
// how many partitions, how many sessions read at the same time, and how many rows each call reads.
// Kept in the settings file; with the defaults the import reads as it always did.
#include <QDialog>

class QLabel;
class QLineEdit;
class QSpinBox;

namespace qvor {

class ImportOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ImportOptionsDialog(QWidget* parent = nullptr);

    QLineEdit* partitionFieldBox() const { return field_; }
    QSpinBox* partitionsBox() const { return partitions_; }
    QSpinBox* sessionsBox() const { return sessions_; }
    QSpinBox* pageRowsBox() const { return pageRows_; }

public Q_SLOTS:
    // Takes the values into the settings and closes; a partition field that cannot be used is
    // reported and the dialog stays open.
    void confirm();

private:
    QLineEdit* field_;
    QSpinBox* partitions_;
    QSpinBox* sessions_;
    QSpinBox* pageRows_;
};

} // namespace qvor
