// Markup of a data packet that the reader does not interpret but keeps, so that a save
// writes it back: unknown elements and attributes, nested-field definitions, detail rows,
// comments and processing instructions.
#pragma once

#include <QList>
#include <QString>
#include <utility>
#include <vector>

namespace veltra {

/// Attributes of an element in file order: name and value (references resolved).
using XmlAttributes = QList<std::pair<QString, QString>>;

/// One piece of kept markup. A fragment is a flat, balanced sequence of pieces (a start
/// tag, the pieces of its content, its end tag), flat so that deeply nested input needs
/// no recursion to copy, compare, write or destroy.
struct XmlPiece
{
    enum class Kind : quint8
    {
        StartTag,    // name, attributes
        EndTag,      // name
        Text,        // text: character data with references resolved, line ends as LF
        CData,       // text: the content of a CDATA section
        Comment,     // text: the content between "<!--" and "-->"
        Instruction, // name: the target; text: the data after the blank that follows it
    };
    Kind kind = Kind::Text;
    /// In the list of a container element: the number of the container's known children
    /// (those the reader interprets) that come before this piece. The writer puts the
    /// piece back at that place. Pieces inside an element share that element's position.
    int position = 0;
    QString name;
    QString text;
    XmlAttributes attributes;

    bool operator==(const XmlPiece&) const = default;
};

using XmlFragment = std::vector<XmlPiece>;

} // namespace veltra
