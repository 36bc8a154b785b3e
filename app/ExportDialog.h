// SPDX-License-Identifier: BSD-3-Clause
// File > Export...: what to export from the active recording (format, output,
// frames, crop, display range, overlay, playback rate), as an export request.
// The choices are remembered in the "Export" profile section.
#pragma once

#include "export/Export.h"
#include "image/DisplayLut.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

// The recording and the state of its window when the dialog opens.
struct ExportSetup {
    std::string recording; // its path
    int frames = 0;
    int first = 0; // the conversion bar's range
    int last = 0;
    bool all = true; // the bar is set to all frames
    std::optional<CropRect> visible; // the zoomed view's visible part; none when all of it shows
    DisplayRange range;              // the view's
    std::optional<double> rate;
    bool eightBits = false; // the bar's depth, the default for PNG
    std::optional<Scale> scale; // the recording's own (Set Scale...), before the last one typed
};

class ExportDialog : public QDialog {
    Q_OBJECT

public:
    // Chooses the output file: given the proposed path and the format,
    // returns the chosen path or an empty string.
    using BrowseDialog =
        std::function<QString(QWidget* parent, const QString& proposed, ExportFormat format)>;

    // `browse` empty: a save dialog starting at the proposed path.
    ExportDialog(const ExportSetup& setup, BrowseDialog browse, QWidget* parent = nullptr);

    ExportRequest Request() const;
    ExportFormat Format() const;
    // Remembers the choices (and the output's folder) for the next dialog.
    void SaveChoices() const;

    // Runs CheckExport on the request; accepts, or shows why not.
    void accept() override;

private:
    void CreateControls();
    QWidget* CreateFramesGroup();
    QWidget* CreateImageGroup();
    QWidget* CreateOverlayGroup();
    void LoadChoices();
    void OnFormatChanged();
    void OnBrowse();
    void UpdateControls();
    ExportRange Range() const;

    ExportSetup m_setup;
    BrowseDialog m_browse;
    QComboBox* m_pFormat = nullptr;
    QLineEdit* m_pOutput = nullptr;
    QRadioButton* m_pBarRange = nullptr;
    QRadioButton* m_pAllFrames = nullptr;
    QSpinBox* m_pStep = nullptr;
    QRadioButton* m_pNoCrop = nullptr;
    QRadioButton* m_pVisibleCrop = nullptr;
    QComboBox* m_pRange = nullptr;
    QCheckBox* m_pEightBits = nullptr;
    QCheckBox* m_pNumber = nullptr;
    QCheckBox* m_pTime = nullptr;
    QCheckBox* m_pScale = nullptr;
    QLineEdit* m_pScaleText = nullptr;
    QLineEdit* m_pFps = nullptr;
    QLabel* m_pNote = nullptr;
};

// The file extension an export format writes ("mp4", ..., "ome.tif").
QString ExportExtension(ExportFormat format);
