// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class QGroupBox;
class QLabel;
class QWidget;
struct InputInfo;
struct OutputInfo;

// The "Input Information" and "Output Information" groups of the Information page: one value label
// per reported field, each with its own text format. A format that has no text for a value (a code
// outside its table) leaves the label as it was.
class StatusLabels {
public:
    explicit StatusLabels(QWidget *parent);

    QGroupBox *inputGroup() const { return input; }
    QGroupBox *outputGroup() const { return output; }
    void ShowInputInfo(const InputInfo &record);
    void ShowOutputInfo(const OutputInfo &record);

    // The shortest fixed-point text of v with at most `digits` significant digits and no trailing
    // zeros (2.2 gives "2.2", 100.0 gives "100").
    static QString generalNumber(double v, int digits);

private:
    template <typename Record> struct Row {
        const char *caption; // null: the value continues the row before (active size, frame rate)
        const char *name;
        std::function<std::optional<QString>(const Record &)> text;
        const char *unit = nullptr;   // a fixed label after the value ("%")
        const char *before = nullptr; // a fixed label before it ("x" between the two sizes)
    };
    template <typename Record>
    QGroupBox *build(const QString &title, const char *name, const QList<Row<Record>> &rows, int columns,
                     QList<std::pair<QLabel *, Row<Record>>> &bound, QWidget *parent);
    template <typename Record>
    static void show(const Record &record, const QList<std::pair<QLabel *, Row<Record>>> &bound);

    QGroupBox *input = nullptr;
    QGroupBox *output = nullptr;
    QList<std::pair<QLabel *, Row<InputInfo>>> inputLabels;
    QList<std::pair<QLabel *, Row<OutputInfo>>> outputLabels;
};
