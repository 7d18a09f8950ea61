// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliHost.h"

#include <QRegularExpression>
#include <QStringList>

CliHost::CliHost(std::FILE *err, bool assumeYes, bool terminal, bool quiet)
    : err(err), assumeYes(assumeYes), terminal(terminal && !quiet), quiet(quiet) {}

void CliHost::line(const QString &text) {
    if (silenced) return;
    endProgressLine();
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err);
    std::fputc('\n', err);
    std::fflush(err);
}

// Message boxes break lines with CR or LF; a terminal wants LF alone.
static QString plainLines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text.trimmed();
}

QString CliHost::withoutWindowAdvice(const QString &text) {
    // "3) Go to 'Serial Port->Search for Kestrix(s)->Search' menu item for the Lumivane to search for
    // Kestrix(s) again."
    static const QRegularExpression menuAdvice(
        QStringLiteral("(^|[\\r\\n])(\\(?\\d\\)\\s*)Go to '[^']*' menu item[^\\r\\n]*"));
    QString result = text;
    result.replace(menuAdvice, QStringLiteral("\\1\\2Run the command again to search for Kestrix(s) again."));
    return result;
}

void CliHost::showMessage(const QString &message) {
    const QString text = withoutWindowAdvice(wording ? wording(message) : message);
    if (text.startsWith(QLatin1String("Note:"))) {
        if (notesShown.contains(text)) return;
        notesShown.append(text);
    }
    line(QStringLiteral("lumivane-cli: %1").arg(plainLines(text)));
}

bool CliHost::noteShownAbout(const QString &path) const {
    const QString named = QStringLiteral("(%1)").arg(path);
    for (const QString &note : notesShown)
        if (note.contains(named)) return true;
    return false;
}

bool CliHost::askYesNo(const QString &caption, const QString &text) {
    line(QStringLiteral("lumivane-cli: %1\n  %2").arg(caption, plainLines(text).replace('\n', "\n  ")));
    const QString reason = alwaysNo.isEmpty() ? fixedNo.value(caption) : alwaysNo;
    if (!reason.isEmpty()) {
        line(QStringLiteral("  Answered No: %1").arg(reason));
        return false;
    }
    if (assumeYes) {
        line(QStringLiteral("  Answered Yes (--yes)."));
        return true;
    }
    refused = true;
    line(QStringLiteral("  Answered No. Run again with --yes to answer Yes."));
    return false;
}

bool CliHost::askOkCancel(const QString &caption, const QString &text) {
    line(QStringLiteral("lumivane-cli: %1\n  %2").arg(caption, plainLines(text).replace('\n', "\n  ")));
    line(QStringLiteral("  Answered Cancel: the command-line tool does not retry a lost line."));
    return false;
}

void CliHost::setStatusText(const QString &note) {
    // The status bar's notes are shown once each, on their own line, as the tool's. Those that only
    // say a request is under way (they end in "....") are left to the progress notice.
    const QString text = wording ? wording(note) : note;
    if (quiet || text.isEmpty() || text == lastPlain || text.endsWith(QLatin1String("...."))) return;
    lastPlain = text;
    if (terminal && progressShown) return;
    line(QStringLiteral("lumivane-cli: %1").arg(text));
}

void CliHost::showProgress(const QString &text) {
    const bool changed = text != progressText;
    progressText = text;
    progressSuffix.clear();
    if (quiet) return;
    if (terminal) {
        progressShown = true;
        redraw();
    } else if (changed) {
        line(text);
    }
}

void CliHost::setProgressSuffix(const QString &suffix) {
    progressSuffix = suffix;
    if (terminal && progressShown) redraw();
}

void CliHost::setProgressFraction(int doneNow, int totalNow) {
    done = doneNow;
    total = totalNow;
    if (terminal && progressShown) redraw();
}

QString CliHost::bar(int done, int total, int width) {
    if (total <= 0 || width <= 0) return QString();
    const int clamped = qBound(0, done, total);
    const int filled = int(qint64(clamped) * width / total);
    return QStringLiteral("[%1%2] %3%")
        .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
        .arg(int(qint64(clamped) * 100 / total), 3);
}

void CliHost::redraw() {
    if (silenced) return;
    QString text = progressText;
    if (!progressSuffix.isEmpty()) text += QLatin1Char(' ') + progressSuffix;
    QString drawn = total > 0 ? bar(done, total, 24) + QLatin1Char(' ') + text : text;
    // The last column is left free: a terminal that writes into it may move to the next line.
    if (terminalColumns > 1 && drawn.size() > terminalColumns - 1) {
        drawn.truncate(qMax(0, terminalColumns - 4));
        drawn += QStringLiteral("...");
    }
    // Clear the rest of the line: the new text may be shorter than the last one.
    const QByteArray bytes = ("\r" + drawn + "\x1b[K").toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), err);
    std::fflush(err);
}

void CliHost::endProgressLine() {
    if (!terminal || !progressShown) return;
    progressShown = false;
    std::fputs("\n", err);
}

void CliHost::hideProgress() {
    endProgressLine();
    progressText.clear();
    progressSuffix.clear();
}

void CliHost::exitProcess(int) {
    // The engine unwinds every wait after this; the command then ends with a communication failure.
    exitWanted = true;
}
