// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimCommandSet.h"

#include "SimRecords.h"

#include <QList>

#include <utility>

namespace {

// Consumes the blank-separated arguments of one command, checking each one's shape and range.
class Args {
public:
    explicit Args(const QByteArray &text) : tokens(text.split(' ')) {
        tokens.removeAll(QByteArray()); // a %4.1f value may bring an extra blank with it
        next = 1;
    }

    bool integer(int &value, qint64 lo, qint64 hi) {
        const QByteArray *t = take("a number");
        if (!t) return false;
        if (!isInteger(*t))
            return fail(QStringLiteral("'%1' is not a decimal integer").arg(QString::fromLatin1(*t)));
        const qint64 v = t->toLongLong();
        if (v < lo || v > hi) return fail(QStringLiteral("%1 is outside %2..%3").arg(v).arg(lo).arg(hi));
        value = int(v);
        return true;
    }

    bool channel(int &value, int highest = 4) { return integer(value, 1, highest); }
    bool flag(int &value) { return integer(value, 0, 1); }

    bool letter(char &value, const char *allowed) {
        const QByteArray *t = take("a letter");
        if (!t) return false;
        if (t->size() != 1 || !QByteArray(allowed).contains(t->at(0)))
            return fail(QStringLiteral("'%1' is not one of %2").arg(QString::fromLatin1(*t), allowed));
        value = t->at(0);
        return true;
    }

    bool literal(const char *word) {
        const QByteArray *t = take(word);
        if (!t) return false;
        return *t == word
                   ? true
                   : fail(QStringLiteral("expected '%1', got '%2'").arg(word, QString::fromLatin1(*t)));
    }

    // A value with exactly one decimal (the "%4.1f" the program sends), as tenths.
    bool tenths(qint32 &value) {
        const QByteArray *t = take("a decimal value");
        if (!t) return false;
        const int dot = t->indexOf('.');
        const QByteArray whole = dot < 0 ? QByteArray() : t->left(dot);
        const QByteArray frac = dot < 0 ? QByteArray() : t->mid(dot + 1);
        if (dot < 0 || frac.size() != 1 || !isDigits(frac) || !isInteger(whole))
            return fail(QStringLiteral("'%1' is not a value with one decimal").arg(QString::fromLatin1(*t)));
        const bool negative = whole.startsWith('-');
        const qint64 magnitude = qAbs(whole.toLongLong()) * 10 + (frac.at(0) - '0');
        value = qint32(negative ? -magnitude : magnitude);
        return true;
    }

    // True when every argument was consumed; the command is then complete.
    bool done() {
        if (!error.isEmpty()) return false;
        if (next != tokens.size())
            return fail(
                QStringLiteral("%1 arguments expected, %2 given").arg(next - 1).arg(tokens.size() - 1));
        return true;
    }

    QString error;

private:
    const QByteArray *take(const char *what) {
        if (!error.isEmpty()) return nullptr;
        if (next >= tokens.size()) {
            fail(QStringLiteral("missing %1").arg(what));
            return nullptr;
        }
        return &tokens[next++];
    }

    bool fail(const QString &why) {
        if (error.isEmpty()) error = why;
        return false;
    }

    static bool isDigits(const QByteArray &t) {
        if (t.isEmpty()) return false;
        for (char c : t)
            if (c < '0' || c > '9') return false;
        return true;
    }

    static bool isInteger(const QByteArray &t) { return isDigits(t.startsWith('-') ? t.mid(1) : t); }

    QList<QByteArray> tokens;
    int next = 1;
};

template <typename F> void forEachOutput(SimDevice &d, F &&f) {
    for (auto &o : d.outputs)
        f(o);
}

// Each handler reads all of its arguments first and changes the device only once they are complete.

bool blackLevel(SimDevice &d, Args &a) {
    int ch, level;
    if (!(a.channel(ch) && a.integer(level, 0, 255) && a.done())) return false;
    d.outputs[ch - 1].blackLevel = quint8(level);
    return true;
}

bool featherModeCtrl(SimDevice &d, Args &a) {
    int advanced;
    if (!(a.flag(advanced) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) { o.advancedMode = quint8(advanced); });
    return true;
}

bool dataDoubling(SimDevice &d, Args &a) {
    int on;
    if (!(a.flag(on) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) { o.dataDoubling = quint8(on); });
    return true;
}

bool displayLayout(SimDevice &d, Args &a) {
    int justification, overlap;
    if (!(a.flag(justification) && a.integer(overlap, -100000, 100000) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) {
        o.justification = quint8(justification);
        o.overlapWidth = overlap;
    });
    return true;
}

bool basicFeather(SimDevice &d, Args &a) {
    int enable;
    qint32 gamma;
    if (!(a.flag(enable) && a.tenths(gamma) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) {
        o.basicFeathering = quint16(enable);
        o.basicGamma = gamma;
    });
    return true;
}

bool halo(SimDevice &d, Args &a) {
    int ch, width, offset;
    char side;
    if (!(a.channel(ch) && a.letter(side, "LR") && a.integer(width, -100000, 100000) &&
          a.integer(offset, -100000, 100000) && a.done()))
        return false;
    auto &o = d.outputs[ch - 1];
    (side == 'L' ? o.leftHaloWidth : o.rightHaloWidth) = width;
    (side == 'L' ? o.leftHaloOffset : o.rightHaloOffset) = offset;
    return true;
}

bool factoryReset(SimDevice &d, Args &a) {
    char kind;
    if (!(a.letter(kind, "F") && a.done())) return false;
    d.inputs = SimDevice().inputs;
    d.outputs = SimDevice().outputs;
    ++d.factoryResets;
    return true;
}

bool testPattern(SimDevice &d, Args &a) {
    int ch, pattern, raster, grid;
    if (!(a.channel(ch, 5) && a.integer(pattern, 0, 10) && a.flag(raster) && a.flag(grid) && a.done()))
        return false;
    for (int c = 1; c <= 4; ++c) {
        if (ch != 5 && c != ch) continue;
        auto &o = d.outputs[c - 1];
        o.testPattern = quint8(pattern);
        o.outputRaster = quint8(raster);
        o.testGrid = quint8(grid);
    }
    return true;
}

int colourIndex(char colour) {
    return QByteArray("CRGB").indexOf(colour);
}

bool inputContrast(SimDevice &d, Args &a) {
    int ch;
    char colour;
    qint32 value;
    if (!(a.channel(ch) && a.letter(colour, "CRGB") && a.tenths(value) && a.done())) return false;
    d.inputs[ch - 1].contrast[colourIndex(colour)] = value;
    return true;
}

bool inputBrightness(SimDevice &d, Args &a) {
    int ch;
    char colour;
    qint32 value;
    if (!(a.channel(ch) && a.letter(colour, "CRGB") && a.tenths(value) && a.done())) return false;
    d.inputs[ch - 1].brightness[colourIndex(colour)] = value;
    return true;
}

bool inputPhase(SimDevice &d, Args &a) {
    int ch, phase;
    if (!(a.channel(ch) && a.literal("M") && a.integer(phase, -100000, 100000) && a.done())) return false;
    d.inputs[ch - 1].phaseOffset = phase;
    return true;
}

bool inputPosition(SimDevice &d, Args &a) {
    int ch, pos;
    char axis;
    if (!(a.channel(ch) && a.literal("M") && a.letter(axis, "HV") && a.integer(pos, -100000, 100000) &&
          a.done()))
        return false;
    (axis == 'H' ? d.inputs[ch - 1].hPosition : d.inputs[ch - 1].vPosition) = pos;
    return true;
}

bool inputSave(SimDevice &d, Args &a) {
    int ch;
    if (!(a.channel(ch) && a.done())) return false;
    ++d.inputSaves;
    return true;
}

bool inputReset(SimDevice &d, Args &a) {
    int ch;
    if (!(a.channel(ch) && a.done())) return false;
    d.inputs[ch - 1] = SimInputChannel();
    return true;
}

bool projectorCount(SimDevice &d, Args &a) {
    int group, total;
    if (!(a.flag(group) && a.integer(total, 1, 8) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) {
        o.projectorGroup = quint8(group);
        o.totalProjectors = quint8(total);
    });
    return true;
}

bool seamGains(SimDevice &d, Args &a) {
    int ch, start;
    std::array<int, 8> gains{};
    bool ok = a.channel(ch) && a.integer(start, -100000, 100000);
    for (int &g : gains)
        ok = ok && a.integer(g, -128, 255);
    if (!(ok && a.done())) return false;
    auto &o = d.outputs[ch - 1];
    o.seamStart = start;
    for (int i = 0; i < 8; ++i)
        o.seamGain[i] = quint8(gains[i]);
    return true;
}

bool seamBridge(SimDevice &d, Args &a) {
    int ch, on;
    if (!(a.channel(ch) && a.flag(on) && a.done())) return false;
    d.outputs[ch - 1].seamBridge = quint8(on);
    return true;
}

bool autoSeam(SimDevice &d, Args &a) {
    int ch;
    if (!(a.channel(ch) && a.done())) return false;
    // The measured gains: a fixed ramp, so that a read-back after the run shows a change.
    auto &o = d.outputs[ch - 1];
    for (int i = 0; i < 8; ++i)
        o.seamGain[i] = quint8(2 * (i + 1));
    ++d.autoSeams;
    return true;
}

bool autoColourBalance(SimDevice &d, Args &a) {
    if (!a.done()) return false;
    for (auto &in : d.inputs) {
        for (int colour = 1; colour < 4; ++colour) {
            in.contrast[colour] = 5 * colour; // small measured offsets: 0.5, 1.0, 1.5
            in.brightness[colour] = -5 * colour;
        }
    }
    ++d.autoColorBalances;
    return true;
}

bool autoPosition(SimDevice &d, Args &a) {
    if (!a.done()) return false;
    for (auto &in : d.inputs) {
        in.hPosition = in.hPositionCenter;
        in.vPosition = in.vPositionCenter;
    }
    ++d.autoPositions;
    return true;
}

bool autoPhase(SimDevice &d, Args &a) {
    if (!a.done()) return false;
    for (auto &in : d.inputs)
        in.phaseOffset = 7;
    ++d.autoPhases;
    return true;
}

bool systemSave(SimDevice &d, Args &a) {
    if (!a.done()) return false;
    ++d.systemSaves;
    return true;
}

bool featherCurve(SimDevice &d, Args &a) {
    char curve;
    if (!(a.letter(curve, "SL") && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) { o.featherMode = quint8(curve); });
    return true;
}

bool edgeFeather(SimDevice &d, Args &a) {
    int ch, enable, width, offset;
    char side;
    qint32 gamma;
    if (!(a.channel(ch) && a.letter(side, "LR") && a.flag(enable) && a.tenths(gamma) &&
          a.integer(width, -100000, 100000) && a.integer(offset, -100000, 100000) && a.done()))
        return false;
    auto &o = d.outputs[ch - 1];
    if (side == 'L') {
        o.leftFeathering = quint16(enable);
        o.leftGamma = gamma;
        o.leftGammaWidth = width;
        o.leftGammaOffset = offset;
    } else {
        o.rightFeathering = quint16(enable);
        o.rightGamma = gamma;
        o.rightGammaWidth = width;
        o.rightGammaOffset = offset;
    }
    return true;
}

bool bridgeThreshold(SimDevice &d, Args &a) {
    int threshold;
    if (!(a.integer(threshold, 0, 255) && a.done())) return false;
    forEachOutput(d, [&](SimOutputChannel &o) { o.bridgeThreshold = quint8(threshold); });
    return true;
}

const std::pair<const char *, bool (*)(SimDevice &, Args &)> handlers[] = {
    {"BLKGN", blackLevel},         {"KXCTRL", featherModeCtrl}, {"DDBL", dataDoubling},
    {"DISP", displayLayout},       {"EFTB", basicFeather},      {"HALO", halo},
    {"RESETKX", factoryReset},     {"OTPMKX", testPattern},     {"ICNTKX", inputContrast},
    {"IBRTKX", inputBrightness},   {"ICPHOKX", inputPhase},     {"IRSPKX", inputPosition},
    {"ICSAVKX", inputSave},        {"ICRSTKX", inputReset},     {"PRJ", projectorCount},
    {"MANSEAM", seamGains},        {"BRDGSEAM", seamBridge},    {"AUTOSEAM", autoSeam},
    {"RGBADJ", autoColourBalance}, {"AUTOPOS", autoPosition},   {"APHASE", autoPhase},
    {"SYSAVE", systemSave},        {"FEATHER", featherCurve},   {"PEFT", edgeFeather},
    {"BRTHRS", bridgeThreshold},
};

} // namespace

namespace SimCommandSet {

bool apply(SimDevice &device, const QByteArray &text, QString *error) {
    auto setError = [&](const QString &why) {
        if (error) *error = why;
        return false;
    };
    // The blank command: the Controller's poll after an automatic operation.
    if (text == " ") {
        ++device.polls;
        return true;
    }
    if (text.isEmpty() || text.startsWith(' ') || text.endsWith(' '))
        return setError(QStringLiteral("stray blanks around '%1'").arg(QString::fromLatin1(text)));
    const QByteArray token = text.left(text.indexOf(' ') < 0 ? text.size() : text.indexOf(' '));
    for (const auto &[name, handler] : handlers) {
        if (token != name) continue;
        Args args(text);
        if (!handler(device, args))
            return setError(QStringLiteral("%1: %2").arg(QString::fromLatin1(token), args.error));
        return true;
    }
    return setError(QStringLiteral("unknown command '%1'").arg(QString::fromLatin1(text)));
}

bool parseQuery(const QByteArray &text, Query *query) {
    if (text == "SYINFOKX") {
        *query = {Query::System, 0};
        return true;
    }
    const bool input = text.startsWith("IINFOKX ");
    const bool output = text.startsWith("OINFOKX ");
    if (!(input || output) || text.size() != 9 || text.at(8) < '1' || text.at(8) > '4') return false;
    *query = {input ? Query::Input : Query::Output, text.at(8) - '0'};
    return true;
}

QByteArray record(const SimDevice &device, const Query &query, bool withMarker) {
    switch (query.kind) {
    case Query::System:
        return SimRecords::systemRecord(device, withMarker);
    case Query::Input:
        return SimRecords::inputRecord(device, query.channel, withMarker);
    case Query::Output:
        return SimRecords::outputRecord(device, query.channel, withMarker);
    }
    return {};
}

} // namespace SimCommandSet
