#pragma once

#include <QStringView>

#include <algorithm>
#include <array>
#include <optional>

// How a fault is written on the command line and in tests: "name" or "name:argument".
struct FaultText
{
    QStringView name;
    QStringView argument; // null without a colon

    explicit FaultText(QStringView text)
    {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        name = colon < 0 ? text : text.left(colon);
        argument = colon < 0 ? QStringView() : text.mid(colon + 1);
    }

    // No fault, with the reason in `error` for whoever asked.
    template <class Fault>
    static std::optional<Fault> refused(QString *error, const QString &why)
    {
        if (error)
            *error = why;
        return std::nullopt;
    }

    // The kind whose name this is, from a table of {kind, name} entries.
    template <class Kind, std::size_t N, class Entry>
    std::optional<Kind> kindIn(const std::array<Entry, N> &names) const
    {
        const auto it = std::find_if(names.begin(), names.end(),
                                     [this](const Entry &entry) { return name == QLatin1String(entry.name); });
        return it == names.end() ? std::nullopt : std::optional<Kind>(it->kind);
    }
};
