#include "Bramblet/Workspace/SyncReview.h"

#include <QStringList>

#include <algorithm>

namespace bramblet {

namespace {

// Lines listed by name before the rest are only counted.
constexpr qsizetype listedLines = 12;

QString kindTitle(SyncKind kind)
{
    QString title = toString(kind);
    title[0] = title[0].toUpper();
    return title;
}

// Up to `listedLines` lines, then "…and N more" for the rest.
QString listed(const QStringList& lines)
{
    QString text = lines.first(std::min(lines.size(), listedLines)).join(u'\n');
    if (lines.size() > listedLines)
        text += QStringLiteral("\n\u2026and %1 more").arg(lines.size() - listedLines);
    return text;
}

} // namespace

bool SyncReview::replacesFolderWithFile(const SyncEntry& entry)
{
    return entry.kind == SyncKind::changed && !entry.isDirectory && entry.destinationIsDirectory;
}

QString SyncReview::nothingToCopy(qsizetype missingCount)
{
    return QStringLiteral("The two folders have no additions or changes to copy. %1 destination-only item%2 remain "
                          "untouched.")
        .arg(missingCount)
        .arg(missingCount == 1 ? QString() : QStringLiteral("s"));
}

SyncReview SyncReview::of(const SyncPlan& plan)
{
    SyncReview review;
    const auto actionable = plan.actionable();
    QStringList lines;
    QStringList skippedLines;
    QList<SyncEntry> copied;
    for (const auto& entry : actionable) {
        const bool skip = replacesFolderWithFile(entry);
        lines.append(kindTitle(entry.kind) + QStringLiteral(": ") + entry.relativePath
                     + (skip ? QStringLiteral(" (skipped)") : QString()));
        if (skip) {
            review.skipped.append(entry);
            skippedLines.append(entry.relativePath);
        } else {
            copied.append(entry);
        }
    }

    QString text = QStringLiteral("%1 additions, %2 changes, %3 destination-only items.\n\n")
                       .arg(plan.addedCount())
                       .arg(plan.changedCount())
                       .arg(plan.missingCount());
    if (!lines.isEmpty())
        text += listed(lines);
    if (!skippedLines.isEmpty()) {
        text += QStringLiteral("\n\nSkipped, because a file would replace a folder and everything in it:\n")
            + listed(skippedLines);
    }
    text += QStringLiteral("\n\nOnly additions and changes will be copied. Destination-only items will not be deleted.");
    review.informativeText = text;

    // A folder's copy brings what is below it; a file below it then replaces its fresh copy.
    std::stable_partition(copied.begin(), copied.end(), [](const SyncEntry& entry) { return entry.isDirectory; });
    for (const auto& entry : std::as_const(copied))
        review.requests.append({ FileAction::copy, entry.source, entry.destination, ConflictPolicy::replace });
    return review;
}

} // namespace bramblet
