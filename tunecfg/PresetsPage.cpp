#include "PresetsPage.h"

#include "Frequency.h"
#include "PresetCsv.h"

#include <QDialog>
#include <QFileInfo>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Column { NumberColumn, FrequencyColumn, NameColumn, InScanColumn, ColumnCount };
constexpr const char* FileTypes = "Station lists (*.csv);;All files (*)";
// Room for a change line with a long name without scrolling sideways.
constexpr QSize PreviewSize(560, 400);

QTableWidgetItem* Cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

}  // namespace

TPresetsPage::TPresetsPage(QWidget* parent) : QWidget(parent), folder_(QDir::homePath())
{
    lst_presets = new QTableWidget(0, ColumnCount, this);
    lst_presets->setObjectName("lst_presets");
    lst_presets->setHorizontalHeaderLabels({"Preset", "MHz", "Station name", "In preset scan"});
    lst_presets->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    lst_presets->verticalHeader()->hide();
    lst_presets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lst_presets->setSelectionMode(QAbstractItemView::NoSelection);
    cmd_export = new QPushButton("E&xport...", this);
    cmd_import = new QPushButton("&Import...", this);
    connect(cmd_export, &QPushButton::clicked, this, &TPresetsPage::cmd_exportClick);
    connect(cmd_import, &QPushButton::clicked, this, &TPresetsPage::cmd_importClick);
    lbl_result = new QLabel(this);
    lbl_result->setWordWrap(true);

    auto* hint = new QLabel("Presets are stored on Tunzo's front panel (Write). Here they are saved to a station list, "
                            "a CSV file a spreadsheet opens, or replaced by one: the presets become what the list "
                            "holds, and you see each change before it is written.",
                            this);
    hint->setWordWrap(true);
    auto* row = new QHBoxLayout;
    row->addWidget(cmd_export);
    row->addWidget(cmd_import);
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(lst_presets);
    layout->addLayout(row);
    layout->addWidget(lbl_result);
    ListPresets();
}

void TPresetsPage::ListPresets()
{
    PresetTable presets{};
    try {
        presets = ReadStoredPresets();
    } catch (const std::exception& e) {
        lbl_result->setText(QString("The presets could not be read: ") + e.what());
        cmd_export->setEnabled(false);
        cmd_import->setEnabled(false);
        return;
    }
    cmd_export->setEnabled(true);
    cmd_import->setEnabled(true);
    lst_presets->setRowCount(0);
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = presets[static_cast<size_t>(n - 1)];
        if (slot.Frequency <= 0.0)
            continue;
        const int row = lst_presets->rowCount();
        lst_presets->insertRow(row);
        lst_presets->setItem(row, NumberColumn, Cell(QString::number(n)));
        lst_presets->setItem(row, FrequencyColumn,
                             Cell(QString::fromStdString(FrequencyText(slot.Frequency, QLocale().decimalPoint().toStdString()))));
        lst_presets->setItem(row, NameColumn, Cell(QString::fromStdString(slot.StationName)));
        lst_presets->setItem(row, InScanColumn, Cell(slot.IncludeInScan ? "yes" : "no"));
    }
}

QString TPresetsPage::ChooseFile(bool save)
{
    // An object rather than the static helpers, so that the desktop's own
    // dialog is used where there is one and a test can answer Qt's.
    QFileDialog dialog(this, save ? "Export the presets" : "Import presets", folder_, FileTypes);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save)
        dialog.setDefaultSuffix("csv");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString file = dialog.selectedFiles().first();
    folder_ = QFileInfo(file).absolutePath();
    return file;
}

void TPresetsPage::ShowProblem(const QString& text)
{
    QMessageBox::warning(this, "Presets", text);
}

void TPresetsPage::cmd_exportClick()
{
    const QString file = ChooseFile(true);
    if (file.isEmpty())
        return;
    try {
        const PresetTable presets = ReadStoredPresets();
        if (const std::string problem = ExportPresetsFile(QFile::encodeName(file).toStdString(), presets);
            !problem.empty()) {
            ShowProblem(QString::fromStdString(problem));
            return;
        }
        const auto count = std::count_if(presets.begin(), presets.end(), [](const PresetSlot& s) { return s.Frequency > 0.0; });
        lbl_result->setText(QString("%1 %2 exported to %3.").arg(count).arg(count == 1 ? "preset" : "presets").arg(file));
    } catch (const std::exception& e) {
        ShowProblem(QString("The presets could not be read, so nothing was exported:\n\n") + e.what());
    }
}

void TPresetsPage::cmd_importClick()
{
    const QString file = ChooseFile(false);
    if (file.isEmpty())
        return;
    try {
        const PresetCsvImport list = ImportPresetsFile(QFile::encodeName(file).toStdString(), StoredPresetBand());
        if (!list.problems.empty()) {
            ShowProblem(file + " cannot be imported, so nothing was changed:\n\n" +
                        QString::fromStdString(PresetCsvProblemsText(list.problems)));
            return;
        }
        const std::vector<PresetChange> changes = PresetChanges(ReadStoredPresets(), list.presets);
        if (changes.empty()) {
            lbl_result->setText("The presets already hold what " + file + " lists: nothing was changed.");
            return;
        }
        QStringList lines;
        for (const PresetChange& change : changes)
            lines << QString::fromStdString(PresetChangeText(change));
        if (!ConfirmImport(file, lines))
            return;
        if (const std::string problem = WritePresetChanges(changes); !problem.empty()) {
            ShowProblem("The presets could not be written, so none was changed:\n\n" + QString::fromStdString(problem));
            return;
        }
        lbl_result->setText(
            QString("%1 %2 changed from %3.").arg(changes.size()).arg(changes.size() == 1 ? "preset" : "presets").arg(file));
    } catch (const std::exception& e) {
        ShowProblem(QString("The presets could not be read, so nothing was imported:\n\n") + e.what());
    }
    ListPresets();
}

bool TPresetsPage::ConfirmImport(const QString& file, const QStringList& changes)
{
    QDialog preview(this);
    preview.setObjectName("import_preview");
    preview.setWindowTitle("Import presets");
    auto* text = new QLabel(QString("%1 changes %2 %3 (a preset the list leaves out is emptied). They are written "
                                    "at once when you press Import.")
                                .arg(file)
                                .arg(changes.size())
                                .arg(changes.size() == 1 ? "preset" : "presets"),
                            &preview);
    text->setWordWrap(true);
    auto* list = new QListWidget(&preview);
    list->addItems(changes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &preview);
    buttons->button(QDialogButtonBox::Ok)->setText("&Import");
    connect(buttons, &QDialogButtonBox::accepted, &preview, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &preview, &QDialog::reject);
    auto* layout = new QVBoxLayout(&preview);
    layout->addWidget(text);
    layout->addWidget(list);
    layout->addWidget(buttons);
    preview.resize(preview.sizeHint().expandedTo(PreviewSize));
    return preview.exec() == QDialog::Accepted;
}
