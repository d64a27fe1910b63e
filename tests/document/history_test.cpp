// Undo and redo: random edit sequences checked against the files they write, the steps'
// names, handles and change sets, the modified flag, the history's bounds and a scene that no
// longer matches its history.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "../files/three_ds_writer.h"
#include "change_log.h"
#include "document/document_core.h"
#include "document/history.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

using test::ChangeLog;

// Every node but the root.
std::vector<SceneNode*> AllNodes(const DocumentCore& doc) {
    std::vector<SceneNode*> nodes = SubtreeOf(doc.GetScene().Root());
    nodes.erase(nodes.begin());
    return nodes;
}

// Makes random edits through the document's operations, and random selections between them.
class RandomEditor {
  public:
    RandomEditor(DocumentCore& doc, unsigned seed) : doc_(doc), rng_(seed) {}

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    double Real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(rng_);
    }
    Vec3 Point() { return {Real(-1.5, 1.5), 0, Real(-1.5, 1.5)}; }
    template <typename T>
    const T& Any(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Pick(static_cast<int>(items.size())))];
    }

    void ChangeSelection() {
        const std::vector<SceneNode*> top = ChildrenOf(doc_.GetScene().Root());
        const auto& lights = doc_.GetScene().Lights();
        const int how = Pick(4);
        if (how == 0 && !top.empty())
            doc_.SelectNode(Any(top)->id, Pick(2) == 0);
        else if (how == 1 && !lights.empty())
            doc_.SelectLight(Any(lights).id);
        else if (how == 2)
            doc_.ClearSelection();
        else if (how == 3 && top.size() >= 2)
            doc_.SelectExactly(std::vector<NodeId>{top[0]->id, top[1]->id}, {});
    }

    // Inserts twice as often as the other edits, so that scenes grow.
    int ChooseEdit() {
        const int kind = Pick(19);
        return kind >= 17 ? 0 : kind;
    }

    // The selection an edit of that kind works on, mostly: two top-level solids for Group and
    // the boolean commands.
    void Prepare(int kind) {
        std::vector<SceneNode*> top = ChildrenOf(doc_.GetScene().Root());
        std::erase_if(top,
                      [](const SceneNode* node) { return node->display_mesh.indices.empty(); });
        if (kind >= 10 && kind <= 14 && kind != 11 && top.size() >= 2 && Pick(4) != 0) {
            const int first = Pick(static_cast<int>(top.size()));
            const int second =
                (first + 1 + Pick(static_cast<int>(top.size()) - 1)) % static_cast<int>(top.size());
            doc_.SelectExactly(std::vector<NodeId>{top[static_cast<std::size_t>(first)]->id,
                                                   top[static_cast<std::size_t>(second)]->id},
                               {});
        }
    }

    // One edit; `what` says which, for the messages.
    void Edit(int kind) {
        static constexpr const char* kNames[] = {
            "insert",   "insert",    "light",     "drag",   "drag",  "drag",
            "material", "set light", "rename",    "delete", "group", "ungroup",
            "trim",     "combine",   "intersect", "paste",  "import"};
        what = kNames[kind];
        const std::vector<SceneNode*> top = ChildrenOf(doc_.GetScene().Root());
        const auto& lights = doc_.GetScene().Lights();
        const SceneNode* some_top = top.empty() ? nullptr : Any(top);
        const LightId some_light = lights.empty() ? LightId{} : Any(lights).id;
        switch (kind) {
            case 0:
            case 1:
                doc_.InsertObject(kPrimitiveTypes[Pick(8)], Point(), Pick(2) == 0);
                break;
            case 2:
                doc_.InsertLight(static_cast<LightKind>(Pick(3)), {Real(-3, 3), 4, Real(-3, 3)});
                break;
            case 3:
            case 4:
            case 5: {
                const bool light = Pick(4) == 0 || !some_top;
                const int steps = 1 + Pick(4);
                for (int i = 0; i < steps; ++i) {
                    if (light && some_light) {
                        const int how = Pick(3);
                        if (how == 0)
                            doc_.DragMoveLight(some_light, {Real(-1, 1), Real(-1, 1), 0.25});
                        else if (how == 1)
                            doc_.DragScaleLight(some_light, Real(0.5, 1.5));
                        else
                            doc_.DragRotateLight(some_light, Pick(3), Real(-40, 40));
                    } else if (some_top) {
                        const int how = Pick(3);
                        if (how == 0)
                            doc_.DragMoveNode(some_top->id, {Real(-1, 1), 0.125, Real(-1, 1)});
                        else if (how == 1)
                            doc_.DragScaleNode(some_top->id,
                                               {Real(0.5, 1.5), Real(0.5, 1.5), Real(0.5, 1.5)},
                                               {0.25, 0, 0});
                        else
                            doc_.DragRotateNode(some_top->id, Pick(3), Real(-40, 40));
                    }
                }
                if (Pick(5) == 0) {
                    what = "cancelled drag";
                    doc_.CancelDrag();
                } else {
                    doc_.EndDrag();
                }
                break;
            }
            case 6:
                if (some_top) {
                    Material m = some_top->material;
                    m.colour = {static_cast<float>(Real(0, 1)), 0.5f, 0.25f};
                    m.shininess = static_cast<float>(Real(0, 1));
                    doc_.SetMaterial(some_top->id, m);
                }
                break;
            case 7:
                if (some_light) {
                    Light l = *doc_.FindLight(some_light);
                    l.intensity = static_cast<float>(Real(0, 2));
                    l.position = {Real(-3, 3), 5, 1};
                    doc_.SetLight(some_light, l);
                }
                break;
            case 8: {
                const std::vector<SceneNode*> all = AllNodes(doc_);
                if (!all.empty())
                    doc_.Rename(Any(all)->id, "Name" + std::to_string(Pick(4)));
                break;
            }
            case 9:
                doc_.DeleteSelection();
                break;
            case 10:
                doc_.Group();
                break;
            case 11: {
                const std::vector<SceneNode*> all = AllNodes(doc_);
                const auto group = std::ranges::find(all, ObjectType::Group, &SceneNode::type);
                if (group != all.end())
                    doc_.Ungroup((*group)->id);
                break;
            }
            case 12:
                doc_.Trim();
                break;
            case 13:
                doc_.Combine();
                break;
            case 14:
                doc_.Intersect();
                break;
            case 15:
                doc_.Paste(doc_.CopySelection());
                break;
            default:
                doc_.Import3dsBytes(testing_3ds::Make3ds({testing_3ds::Tetrahedron("Tet"),
                                                          testing_3ds::Tetrahedron("Other")}),
                                    "tet.3ds");
                break;
        }
    }

    std::string what;

  private:
    DocumentCore& doc_;
    std::mt19937 rng_;
};

// Edits, undos, redos and saves in random order. The history is followed by a model: the file
// before and after each step. Undo must give back exactly the file written before its step,
// redo exactly the one after, and the modified flag must say whether the document differs
// from the state last saved. That every state saves what opens is the document operations
// fuzz check's.
TEST(History, RandomEditsUndoAndRedoToIdenticalFiles) {
    const std::string path = testing::TempDir() + "/kelto_history_walk.kel";
    std::set<std::string> kinds;  // of the steps made, by the first word of their names
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        DocumentCore doc;
        RandomEditor editor(doc, seed);
        std::vector<Bytes> before, after;  // of the steps in the history
        std::size_t position = 0;          // steps done
        long saved = 0;                    // the position last saved; -1 when out of reach
        int edits = 0;
        for (int action = 0; action < 120; ++action) {
            if (editor.Pick(2) == 0)
                editor.ChangeSelection();
            const int choice = editor.Pick(20);
            if (choice < 12) {
                const int kind = editor.ChooseEdit();
                editor.Prepare(kind);
                const Bytes b = doc.SaveToBytes();
                const std::size_t count = doc.UndoCount();
                editor.Edit(kind);
                if (doc.UndoCount() == count + 1) {
                    ++edits;
                    const std::string text = doc.UndoText().substr(5);
                    kinds.insert(text.substr(0, text.find(' ')));
                    before.resize(position);
                    after.resize(position);
                    before.push_back(b);
                    after.push_back(doc.SaveToBytes());
                    if (saved > static_cast<long>(position))
                        saved = -1;  // the saved state was undone, and now dropped
                    ++position;
                    EXPECT_FALSE(doc.CanRedo()) << editor.what;
                } else {
                    ASSERT_EQ(doc.UndoCount(), count) << editor.what;
                    EXPECT_EQ(doc.SaveToBytes(), b) << editor.what << " changed without a step";
                }
            } else if (choice < 17) {
                const Bytes b = doc.SaveToBytes();
                ASSERT_TRUE(doc.Undo().ok());
                if (position == 0) {
                    EXPECT_EQ(doc.SaveToBytes(), b);  // nothing to undo: nothing happens
                } else {
                    --position;
                    ASSERT_EQ(doc.SaveToBytes(), before[position]) << "undo of step " << position;
                }
            } else if (choice < 19) {
                const Bytes b = doc.SaveToBytes();
                ASSERT_TRUE(doc.Redo().ok());
                if (position == after.size()) {
                    EXPECT_EQ(doc.SaveToBytes(), b);  // nothing to redo
                } else {
                    ASSERT_EQ(doc.SaveToBytes(), after[position]) << "redo of step " << position;
                    ++position;
                }
            } else {
                ASSERT_TRUE(doc.Save(path).ok());
                saved = static_cast<long>(position);
            }
            ASSERT_EQ(doc.UndoCount(), position);
            ASSERT_EQ(doc.CanUndo(), position > 0);
            ASSERT_EQ(doc.CanRedo(), position < after.size());
            ASSERT_EQ(doc.IsModified(), static_cast<long>(position) != saved)
                << "at " << position << ", saved at " << saved;
        }
        EXPECT_GT(edits, 20);
        // All the way back, then all the way forward again.
        while (position > 0) {
            ASSERT_TRUE(doc.Undo().ok());
            --position;
            ASSERT_EQ(doc.SaveToBytes(), before[position]);
        }
        EXPECT_FALSE(doc.CanUndo());
        EXPECT_EQ(doc.UndoText(), "");
        while (position < after.size()) {
            ASSERT_TRUE(doc.Redo().ok());
            ASSERT_EQ(doc.SaveToBytes(), after[position]);
            ++position;
        }
        EXPECT_FALSE(doc.CanRedo());
        EXPECT_EQ(doc.RedoText(), "");
    }
    // Every kind of edit took part.
    for (const char* kind :
         {"Insert", "Move", "Scale", "Rotate", "Material", "Edit", "Rename", "Delete", "Group",
          "Ungroup", "Trim", "Combine", "Intersect", "Paste", "Import"})
        EXPECT_TRUE(kinds.contains(kind)) << kind;
}

// The names the Edit menu shows (Insert, Move, Scale, Material, Group and Duplicate are also
// named in the tools' and windows' tests; a cancelled drag leaving no step is the tools').
TEST(History, StepsAreNamedForTheMenusAndADragIsOneStep) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {}, false);
    doc.GrabNodeHandle(sphere, 3, false);
    for (int i = 0; i < 5; ++i)
        doc.DragMoveNode(sphere, {0.1, 0, 0});
    EXPECT_EQ(doc.UndoCount(), 1u);  // not a step until the drag ends
    doc.EndDrag();
    EXPECT_EQ(doc.UndoCount(), 2u);
    EXPECT_EQ(doc.UndoText(), "Undo Move Sphere1");
    doc.DragScaleNode(sphere, {2, 2, 2}, {});
    doc.EndDrag();
    const NodeId cube = doc.InsertObject(ObjectType::Cube, {0.5, 0, 0}, true);
    const LightId light = doc.InsertLight(LightKind::Spot, {0, 4, 0});
    EXPECT_EQ(doc.UndoText(), "Undo Insert Light2");
    Light brighter = *doc.FindLight(light);
    brighter.intensity = 2;
    ASSERT_TRUE(doc.SetLight(light, brighter).ok());
    EXPECT_EQ(doc.UndoText(), "Undo Edit Light2");
    ASSERT_TRUE(doc.Rename(cube, "Box").ok());
    EXPECT_EQ(doc.UndoText(), "Undo Rename Cube1");
    doc.SelectExactly(std::vector<NodeId>{sphere, cube}, {});
    ASSERT_TRUE(doc.Trim().ok());
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.RedoText(), "Redo Trim");
    ASSERT_TRUE(doc.Group());
    EXPECT_EQ(doc.RedoText(), "");  // the new edit dropped the redo list
    doc.DeleteSelection();
    EXPECT_EQ(doc.UndoText(), "Undo Delete Group1");
    doc.SelectLight(light);
    doc.DragMoveLight(light, {1, 0, 0});
    doc.EndDrag();
    EXPECT_EQ(doc.UndoText(), "Undo Move Light2");
    doc.SelectLight(light);
    doc.DeleteSelection();
    EXPECT_EQ(doc.UndoText(), "Undo Delete Light2");

    // Undo during a drag drops the drag and nothing else.
    ASSERT_TRUE(doc.Undo().ok());
    const LightId first = doc.GetScene().Lights().front().id;
    const Vec3 where = doc.FindLight(first)->position;
    doc.DragMoveLight(first, {0, 3, 0});
    const std::size_t count = doc.UndoCount();
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.UndoCount(), count);
    EXPECT_EQ(doc.FindLight(first)->moving, 0);
    doc.EndDrag();
    EXPECT_EQ(doc.FindLight(first)->position, where);
    EXPECT_EQ(doc.UndoCount(), count);
}

TEST(History, NodesComeBackWithTheirHandlesAndListenersAreTold) {
    DocumentCore doc;
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {}, false);
    const NodeId b = doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    const NodeId group = doc.Group();
    const LightId light = doc.GetScene().Lights().front().id;
    doc.SelectExactly(std::vector<NodeId>{group}, std::vector<LightId>{light});
    doc.DeleteSelection();
    ASSERT_EQ(doc.Node(a), nullptr);

    ChangeLog log(doc);
    ASSERT_TRUE(doc.Undo().ok());
    for (NodeId id : {group, a, b}) {
        EXPECT_NE(doc.Node(id), nullptr);
        EXPECT_TRUE(log.LastHas(ChangeKind::NodeAdded, id));
    }
    EXPECT_TRUE(log.LastHas(ChangeKind::LightAdded, {}, light));
    EXPECT_EQ(doc.FindLight(light)->name, "Light1");
    EXPECT_EQ(doc.Node(a)->name, "Sphere1");
    EXPECT_EQ(doc.GetScene().ParentOf(*doc.Node(a)), doc.Node(group));
    EXPECT_TRUE(log.LastHas(ChangeKind::Selection));
    // The selection is what it was before the delete.
    EXPECT_TRUE(doc.Node(group)->selected && doc.FindLight(light)->selected);
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_EQ(log.sets.size(), 1u);  // one set for the one undo

    ASSERT_TRUE(doc.Redo().ok());
    for (NodeId id : {group, a, b}) {
        EXPECT_EQ(doc.Node(id), nullptr);
        EXPECT_TRUE(log.LastHas(ChangeKind::NodeRemoved, id));
    }
    EXPECT_TRUE(log.LastHas(ChangeKind::LightRemoved, {}, light));
    ASSERT_TRUE(doc.Undo().ok());

    // Undoing the group: the members go back to the top, told as a tree change and moves.
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.Node(group), nullptr);
    EXPECT_TRUE(log.LastHas(ChangeKind::NodeRemoved, group));
    EXPECT_TRUE(log.LastHas(ChangeKind::NodeTransformed, a));
    EXPECT_TRUE(doc.IsTopLevel(a) && doc.IsTopLevel(b));
    ASSERT_TRUE(doc.Redo().ok());
    EXPECT_TRUE(log.LastHas(ChangeKind::NodeAdded, group));
    EXPECT_TRUE(log.LastHas(ChangeKind::TreeChanged, group));
    EXPECT_EQ(doc.NodeNamed("Group1"), group);

    // A move: one transform change, the step holding no more than the transforms.
    const Vec3 at = doc.Node(group)->position;
    doc.DragMoveNode(group, {1, 2, 3});
    doc.EndDrag();
    EXPECT_LT(doc.UndoStepBytes(), 1024u);
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_TRUE(log.LastHas(ChangeKind::NodeTransformed, group));
    EXPECT_EQ(doc.Node(group)->position, at);
}

// The random walk follows the modified flag through saves, undos and redos; here opening a
// file and clearing the document empty the history.
TEST(History, OpeningOrClearingEmptiesTheHistory) {
    const std::string path = testing::TempDir() + "/kelto_history_saved.kel";
    DocumentCore doc;
    doc.InsertObject(ObjectType::Sphere, {}, false);
    ASSERT_TRUE(doc.Save(path).ok());
    doc.InsertObject(ObjectType::Cone, {-2, 0, 0}, false);
    ASSERT_TRUE(doc.Open(path).ok());
    EXPECT_FALSE(doc.CanUndo() || doc.CanRedo() || doc.IsModified());
    doc.InsertObject(ObjectType::Cube, {5, 0, 0}, false);
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.CanRedo());
    doc.Clear();
    EXPECT_FALSE(doc.CanUndo() || doc.CanRedo() || doc.IsModified());
}

TEST(History, KeepsAtMostAHundredStepsAndBoundsItsBytes) {
    DocumentCore doc;
    for (int i = 0; i < 120; ++i)
        doc.InsertObject(ObjectType::Cube, {static_cast<double>(i) * 3, 0, 0}, false);
    EXPECT_EQ(doc.UndoCount(), 100u);
    while (doc.CanUndo())
        ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 20u);  // the oldest steps were dropped
    EXPECT_TRUE(doc.IsModified());                      // and the empty scene is out of reach
    EXPECT_EQ(doc.RedoCount(), 100u);
    EXPECT_GT(doc.HistoryBytes(), 100 * sizeof(SceneNode));  // undone inserts hold their nodes
    // A smaller limit (the settings' "Undo steps") forgets the oldest steps at once.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(doc.Redo().ok());
    doc.SetUndoLimit(2);
    EXPECT_EQ(doc.UndoCount(), 2u);
    doc.SetUndoLimit(0);  // taken as one
    EXPECT_EQ(doc.UndoCount(), 1u);

    // The byte bound, on a history of a few steps' worth.
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Sphere, {});
    auto step = [&](float red) {
        auto made = std::make_unique<EditStep>(SelectionState{});
        made->TouchMaterial(*node);
        node->material.colour.r = red;
        EXPECT_TRUE(made->Finish(scene, {}));
        return made;
    };
    const std::size_t one = step(0.5f)->Bytes();
    History history(100, one * 3 + one / 2);
    for (int i = 0; i < 10; ++i)
        history.Push(step(static_cast<float>(i) * 0.1f));
    EXPECT_EQ(history.UndoCount(), 3u);
    EXPECT_LE(history.Bytes(), one * 3 + one / 2);
    const std::uint64_t state = history.State();
    History tiny(100, one / 2);  // a step larger than the bound is not kept
    tiny.Push(step(0.9f));
    EXPECT_EQ(tiny.UndoCount(), 0u);
    EXPECT_NE(tiny.State(), 0u);
    EXPECT_NE(history.State(), 0u);
    EXPECT_EQ(history.State(), state);

    // A step that changed nothing is not a step.
    EditStep idle{SelectionState{}};
    idle.TouchPlacement(*node);
    EXPECT_FALSE(idle.Finish(scene, {}));
}

// The scene changed behind the history's back (only a test can do that): undo and redo refuse
// with a message, change nothing and never crash.
TEST(History, AStaleHistoryIsRefusedWithoutHarm) {
    DocumentCore doc;
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {}, false);
    Scene& scene = const_cast<Scene&>(doc.GetScene());
    scene.DeleteNode(*scene.FindNode(a));
    const Bytes before = doc.SaveToBytes();
    EXPECT_EQ(doc.Undo().number, kMsgHistoryMismatch);
    EXPECT_EQ(doc.SaveToBytes(), before);
    EXPECT_FALSE(doc.CanUndo() || doc.CanRedo());

    // Redo of an insert whose name was taken meanwhile.
    doc.InsertObject(ObjectType::Cube, {}, false);
    ASSERT_TRUE(doc.Undo().ok());
    scene.CreateNode(ObjectType::Cube, {4, 0, 0});  // "Cube1" again
    const Bytes taken = doc.SaveToBytes();
    EXPECT_EQ(doc.Redo().number, kMsgHistoryMismatch);
    EXPECT_EQ(doc.SaveToBytes(), taken);
    EXPECT_TRUE(doc.Undo().ok());  // nothing left to do
}

}  // namespace
}  // namespace kelto
