#pragma once

#include "config/settingstable.h"

#include <QByteArray>
#include <QHash>
#include <QString>

// A file of per-node values for a batch write: a CSV file whose first column names the node
// (MAC or network address) and whose other columns are settings, named by their file leaf
// ("DESC1", "CH") or their label ("TPIO 9 mode"), each with the text the file format uses.
namespace NodeValues {

struct Problem
{
    enum Kind
    {
        None,
        Empty,         // no header, or no node column
        UnknownColumn, // `detail`: the column's name
        Malformed,     // a line with another number of cells than the header
        Refused,       // `detail`: "COLUMN=value", a value the field refuses
    };
    Kind kind = None;
    int line = 0; // from 1
    QString detail;
};

// The values of each node, keyed by the node's text as the file gives it; a problem refuses
// the whole file.
Problem parse(const QByteArray &csv, QHash<QString, CfgValues> *byNode);

} // namespace NodeValues
