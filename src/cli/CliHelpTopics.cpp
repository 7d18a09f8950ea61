// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliHelpTopics.h"

#include "FieldListing.h"

#include <QStringList>

namespace cli {

namespace {

struct Topic {
    const char *name;
    const char *text;
};

const Topic kTopics[] = {
    {"json",
     "JSON output\n"
     "\n"
     "dump --json, plan --json, diff --json, check --json and ports --json print one JSON object whose\n"
     "\"format\" field is the version of its layout, now %1. Within a version fields may be added, never\n"
     "renamed, removed or given another meaning.\n"
     "\n"
     "dump:   {\"format\": %1, \"devices\": [{\"device\": 1, \"channels\": [{\"channel\": 1,\n"
     "         \"input\": {FIELD: value, ...}, \"output\": {FIELD: value, ...}}, ...4 channels]},\n"
     "         ...devices 1 and 2]}\n"
     "        The field names are those of the table (VideoLoaded, BlackLevel, ...); integers are JSON\n"
     "        integers, floats are JSON numbers that read back to the same single-precision value.\n"
     "plan:   {\"format\": %1, \"screenWidth\", \"screenHeight\", \"projectorWidth\", \"projectorHeight\",\n"
     "         \"aspectRatio\" (number), \"aspectRatioText\", \"projectors\", \"projectorsNeeded\",\n"
     "         \"devices\", \"alignment\" (\"center\" or \"left\"), \"overlap\", \"maxOverlap\",\n"
     "         \"imageWidth\", \"imageHeight\", \"imageWidthChanged\" (boolean),\n"
     "         \"slices\": [{\"projector\", \"start\", \"end\"}, ...], \"notes\": [line, ...]}\n"
     "diff:   {\"format\": %1, \"devicesCompared\": N, \"differences\": [{\"device\": 1, \"channel\": 2,\n"
     "         \"field\": \"BlackLevel\", \"file\": 40, \"deviceValue\": 0, \"notReported\": false}, ...]}\n"
     "        deviceValue is null and notReported true for a value the device's record form does not\n"
     "        report. The exit status is 0 or 1 as for the table.\n"
     "check:  {\"format\": %1, \"source\": \"file\" or \"devices\", \"projectors\", \"projectorWidth\",\n"
     "         \"overlap\", \"projectorGamma\", \"findings\": [{\"kind\": \"blackLevelMismatch\",\n"
     "         \"screens\": [2, 3], \"text\": \"Black levels differ at the seam of ...\"}, ...]}\n"
     "        The kinds are featherWidthMismatch, featherOffsetMismatch, featherWidthNotOverlap,\n"
     "        gammaMismatch, featheringOneSide, seamNotFeathered, outerEdgeFeathered,\n"
     "        haloWiderThanOverlap, blackLevelMismatch, deviceOverlapMismatch,\n"
     "        deviceProjectorCountMismatch and tooFewDevices; screens is empty for the findings about\n"
     "        the devices. The exit status is 0 or 1 as for the text.\n"
     "ports:  {\"format\": %1, \"ports\": [{\"path\", \"description\", \"manufacturer\", \"serialNumber\",\n"
     "         \"vendorId\", \"productId\"}, ...]}\n"
     "        IDs are four hexadecimal digits; a value the port does not report is null.\n"},
    {"stopping",
     "Stopping\n"
     "\n"
     "Ctrl-C (SIGINT) or SIGTERM stop a push between two commands: the command in flight is finished\n"
     "(its acknowledgement awaited, never resent) and nothing follows it, so the line never ends in half\n"
     "a frame. A search or a read stops at once (a query changes nothing) and writes no file. The exit\n"
     "status is then 128 plus the signal's number: 130 for Ctrl-C, 143 for SIGTERM. A second Ctrl-C ends\n"
     "the tool at once. Whichever way the tool ends, the port's lock file goes with it.\n"
     "\n"
     "The tool never retries a lost line, and a command a device keeps refusing or never acknowledges is\n"
     "sent three times only: the tool then ends with status 5, naming the device and the command.\n"
     "\n"
     "A run that stops part-way says so in one summary on stderr. For a push: how many commands went\n"
     "out of how many the whole push holds (a resend counts once; the whole is what push --dry-run lists\n"
     "for the devices in use), the last one and its device, the part of the pass it stopped in, and\n"
     "whether the devices are now partly set (only when a device took a command); for a read: how many\n"
     "records were read, and that nothing was written.\n"
     "\n"
     "Results that cannot be written to standard output (a full disk, a pipe whose reader is gone)\n"
     "end the run with status 3 and the system's reason, whatever the command.\n"},
    {"examples", "Examples\n"
                 "\n"
                 "Read the devices into a file, and later list what changed on them since:\n"
                 "  lumivane-cli read -o wall.kxc\n"
                 "  lumivane-cli diff wall.kxc\n"
                 "\n"
                 "Send a file to the devices through the Controller, answering Yes to their questions:\n"
                 "  lumivane-cli push wall.kxc --link controller --yes\n"
                 "\n"
                 "See what a push would send, without opening a port:\n"
                 "  lumivane-cli push --dry-run wall.kxc | head -3\n"
                 "\n"
                 "One value of a file, through JSON:\n"
                 "  lumivane-cli dump wall.kxc --json | jq '.devices[0].channels[1].output.BlackLevel'\n"
                 "\n"
                 "Plan a 30 x 10 wall and check the blending of a file before it goes out:\n"
                 "  lumivane-cli plan --screen 30x10 --resolution 1280x1024\n"
                 "  lumivane-cli check wall.kxc && lumivane-cli push wall.kxc\n"
                 "\n"
                 "A commissioning report of what the devices hold, and the blend preview of a file:\n"
                 "  lumivane-cli report --devices -o site.pdf --note \"Hall B, north wall\"\n"
                 "  lumivane-cli preview wall.kxc -o wall.png\n"
                 "\n"
                 "Try any of these without hardware: --simulate starts a built-in simulator for each run.\n"},
};

} // namespace

QString helpTopic(const QString &name) {
    for (const Topic &topic : kTopics)
        if (name == QLatin1String(topic.name)) return QString::fromUtf8(topic.text).arg(kJsonFormat);
    return QString();
}

QString helpTopicList() {
    QStringList names;
    for (const Topic &topic : kTopics)
        names.append(QLatin1String(topic.name));
    const QString last = names.takeLast();
    return names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace cli
