#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

// What a message box showed before the test's answer closed it.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int count = 0;
};

// Answers every message box that opens while the watcher lives: with OK,
// or with the button of the given caption.
class BoxAnswerer : public QObject
{
public:
    explicit BoxAnswerer(const QString &button = QString())
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen.title = box->windowTitle();
                seen.text = box->text();
                seen.icon = box->icon();
                ++seen.count;
                for (QAbstractButton *choice : box->buttons()) {
                    if (choice->text() == button) {
                        choice->click();
                        return;
                    }
                }
                box->accept();
            }
        });
        m_timer.start();
    }
    SeenBox seen;

private:
    QTimer m_timer;
};
