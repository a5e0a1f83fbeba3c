#pragma once
// The next modal message box is read into `text` and closed with OK, once the
// event loop runs (the box's own loop included). The waiting ends with
// `context`, so that a box that never came cannot be answered in a later test.

#include <QApplication>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

struct MessageBoxAnswer {
    QObject* context;
    QString* text;

    void operator()() const
    {
        constexpr int RetryMs = 5;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->done(QMessageBox::Ok);
        } else {
            QTimer::singleShot(RetryMs, context, *this);
        }
    }
};

inline void AnswerNextMessageBoxWithin(QObject& context, QString& text)
{
    QTimer::singleShot(0, &context, MessageBoxAnswer{&context, &text});
}
