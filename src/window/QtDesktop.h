#pragma once

#include "Desktop.h"

class QtDesktop final : public Desktop {
public:
    void show_message(
        QWidget* parent, const QString& title, const QString& text, const QString& detail) override;
    QString find_program(const QString& name) const override;
    bool start_detached(const QString& program, const QStringList& arguments) override;
};
