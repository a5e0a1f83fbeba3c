#pragma once
// The setup program's "Presets" page: the stored presets as a list, saved to
// a station list (CSV) or replaced by one. An import names every bad line of
// the file and writes nothing then; a good file's changes are shown, slot by
// slot, and written only when the user says so, at once and whole (the
// setup window's Cancel does not take them back: they are a file's, not the
// window's).

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

class TPresetsPage : public QWidget {
    Q_OBJECT
public:
    explicit TPresetsPage(QWidget* parent = nullptr);

    QTableWidget* lst_presets = nullptr;
    QPushButton* cmd_export = nullptr;
    QPushButton* cmd_import = nullptr;
    QLabel* lbl_result = nullptr;  // what the last export or import did

private:
    // Lists the presets as the store holds them now; a store that cannot be
    // read is said so, and nothing can be exported or imported.
    void ListPresets();
    void cmd_exportClick();
    void cmd_importClick();
    QString ChooseFile(bool save);
    // The preview of an import: true when the user chose to write it.
    bool ConfirmImport(const QString& file, const QStringList& changes);
    void ShowProblem(const QString& text);

    QString folder_;  // where the last list was saved or read
};
