#pragma once
// The options dialog: the interface language (applied at once, without restarting), the list
// separator, and how imports are written and joined (taken when the dialog is confirmed with OK).
#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qvor {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // applyInterfaceTexts sets the main window's texts for the language just chosen.
    explicit OptionsDialog(std::function<void()> applyInterfaceTexts, QWidget* parent = nullptr);

    QRadioButton* englishButton() const { return english_; }
    QRadioButton* portugueseButton() const { return portuguese_; }
    QLineEdit* separatorBox() const { return separator_; }
    QPushButton* okButton() const { return ok_; }
    QGroupBox* languageFrame() const { return languageFrame_; }
    QGroupBox* separatorFrame() const { return separatorFrame_; }
    QComboBox* formatBox() const { return format_; }
    QCheckBox* descriptionsBox() const { return descriptions_; }
    QCheckBox* joinKeysBox() const { return joinKeys_; }

public Q_SLOTS:
    void chooseEnglish();
    void choosePortuguese();
    void confirm();
    // The dialog's own texts in the current language.
    void applyTexts();

private:
    void showChoice(bool english, bool portuguese);

    std::function<void()> applyInterfaceTexts_;
    QGroupBox* languageFrame_;
    QGroupBox* separatorFrame_;
    QRadioButton* english_;
    QRadioButton* portuguese_;
    QLineEdit* separator_;
    QGroupBox* importFrame_;
    QLabel* formatLabel_;
    QComboBox* format_;
    QCheckBox* descriptions_;
    QCheckBox* joinKeys_;
    QPushButton* ok_;
};

} // namespace qvor
