#pragma once

#include "transform/ResizeModel.h"

#include <QDialog>
#include <array>

class QButtonGroup;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane {

class TKorvaneForm1;
class UpDown;

// The resize dialog: one percentage for both sides, the two sides apart in
// percent, pixels or millimetres, or a fixed postcard or icon size. It stands
// beside the editor without blocking it; OK resizes the editor's picture of
// that moment, Cancel and the close box only hide it. The values and their
// linking live in ResizeModel; this window shows them and passes on what the
// user does.
class TOKBottomDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TOKBottomDlg(QWidget *parent = nullptr);
    ~TOKBottomDlg() override;

    void setEditor(TKorvaneForm1 *editor) { m_editor = editor; }
    const ResizeModel &model() const { return m_model; }

    void OKBtnClick();
    void CancelBtnClick();

    QFrame *Bevel1 = nullptr;
    QLabel *Label1 = nullptr;
    QGroupBox *RadioGroup1 = nullptr;
    QFrame *Bevel2 = nullptr;
    QGroupBox *RadioGroup2 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    // Edit1..Edit7 and UpDown1..UpDown7 at [n - 1].
    std::array<QLineEdit *, ResizeModel::kFieldCount> Edits{};
    std::array<UpDown *, ResizeModel::kFieldCount> UpDowns{};
    QPushButton *OKBtn = nullptr;
    QPushButton *CancelBtn = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createField(int field, QPoint editAt);
    // Shows what the model holds: texts, enabled states, the chosen items.
    void refresh();

    ResizeModel m_model;
    TKorvaneForm1 *m_editor = nullptr;
    QButtonGroup *m_modes = nullptr;
    QButtonGroup *m_units = nullptr;
};

} // namespace korvane
