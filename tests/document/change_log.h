// Every change set a document sends, kept for the tests to look through.
#pragma once

#include <vector>

#include "document/document_core.h"

namespace kelto::test {

struct ChangeLog {
    explicit ChangeLog(DocumentCore& doc)
        : subscription(doc.Subscribe([this](const ChangeSet& set) { sets.push_back(set); })) {}
    static bool Has(const ChangeSet& set, ChangeKind kind, NodeId node, LightId light) {
        for (const DocumentChange& c : set.changes)
            if (c.kind == kind && (!node || c.node == node) && (!light || c.light == light))
                return true;
        return false;
    }
    // In any set sent so far.
    bool Saw(ChangeKind kind, NodeId node = {}, LightId light = {}) const {
        for (const ChangeSet& set : sets)
            if (Has(set, kind, node, light))
                return true;
        return false;
    }
    // In the last set sent.
    bool LastHas(ChangeKind kind, NodeId node = {}, LightId light = {}) const {
        return !sets.empty() && Has(sets.back(), kind, node, light);
    }
    std::vector<ChangeSet> sets;
    Subscription subscription;
};

}  // namespace kelto::test
