// A parse's outcome as text, record by record, so that two parses can be
// compared whole: each record's kind, links, marks, names and content, what
// the document's XML text needs beside them, or the error with its place.
#ifndef FLATDOM_TESTS_SUPPORT_TREE_RECORDS_H
#define FLATDOM_TESTS_SUPPORT_TREE_RECORDS_H

#include <string>

#include "engine/tree/parse_outcome.h"

inline std::string TreeRecords(const engine::tree::ParseOutcome& outcome) {
    using namespace engine::tree;
    if (!outcome.tree) {
        const ParseError& error = outcome.error;
        return "refused at " + std::to_string(error.line) + ":" + std::to_string(error.column) +
               ": " + error.reason + "  in: " + error.source + "\n";
    }
    const DocumentTree& tree = *outcome.tree;
    std::string text = "doctype " + std::string(tree.Doctype()) + "\nencoding named " +
                       (tree.EncodingNamed() ? "yes" : "no") + "\n";
    for (NodeId id = kDocumentNode; id <= tree.NodeCount(); ++id) {
        text += std::to_string(id) + " kind " + std::to_string(static_cast<int>(tree.Kind(id))) +
                " parent " + std::to_string(tree.Parent(id)) + " next " +
                std::to_string(tree.NextSibling(id)) + " child " +
                std::to_string(tree.FirstChild(id)) + " last " +
                std::to_string(tree.LastAttributeRecord(id)) + " flags";
        for (const NodeFlag flag : {kBlankAfter, kBlankFirstChild, kPreserveSpace, kNoData})
            text += tree.HasFlag(id, flag) ? " 1" : " 0";
        text += " name [" + std::string(tree.Name(id)) + "] uri [" +
                std::string(tree.NamespaceUri(id)) + "] content [" + std::string(tree.Content(id)) +
                "]\n";
    }
    return text;
}

#endif
