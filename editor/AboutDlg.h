#pragma once

// The About box: a borderless window cut to an ellipse, with a picture, a few lines about the
// editor and an "OK" panel; it plays its chime each time it is shown.

#include <QByteArray>
#include <QDialog>
#include <QImage>
#include <QLabel>

class QPlainTextEdit;

namespace tv {

// Decodes JPEG data with libjpeg into a 32-bit picture; a null image for data that is not a
// readable JPEG (or a picture larger than 16384 pixels on a side).
QImage DecodeJpeg(const QByteArray& data);

// A panel used as a button: clicked when the left button is pressed and released over it.
class TPanelButton : public QLabel {
    Q_OBJECT
public:
    explicit TPanelButton(const QString& caption, QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    // Created hidden, already 400 x 320 and elliptic (FormCreate).
    explicit TAboutForm(QWidget* parent = nullptr);
    ~TAboutForm() override;

    // Sizes the window to 400 x 320 and cuts it to the inscribed ellipse.
    void FormCreate();
    // Plays the KELVORN chime from the program's resources, replacing one still playing; a
    // missing or unplayable sound is not reported.
    void FormShow();
    // The OK panel: closes the box (a modal call returns).
    void Color95Button1Click();

    // The picture decoded from the resources (null when it could not be read).
    const QImage& Picture() const { return picture_; }

    QLabel* Image1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    TPanelButton* OKbtn = nullptr;

protected:
    // Centres the box on the desktop, then FormShow.
    void showEvent(QShowEvent* event) override;

private:
    QImage picture_;
};

// Resource paths of the box's picture and chime.
inline constexpr const char* kAboutPictureResource = ":/about/about.jpg";
inline constexpr const char* kAboutSoundResource = ":/about/kelvorn.wav";

// The box the program entry creates; null while none exists.
extern TAboutForm* AboutForm;

} // namespace tv
