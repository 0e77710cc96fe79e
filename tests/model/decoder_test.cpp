#include <gtest/gtest.h>

#include <sstream>

#include "model/grammar.hpp"
#include "model/shortcut_file.hpp"
#include "support/golden.hpp"

namespace corvane::model {
namespace {

std::string describeSteps(const std::vector<Step>& steps);

std::string labels(const std::vector<std::string>& list) {
  std::string out = "[";
  for (std::size_t i = 0; i < list.size(); ++i) out += (i ? "," : "") + list[i];
  return out + "]";
}

std::string menuPath(const MenuPath& path) {
  std::string out;
  for (std::size_t i = 0; i < path.size(); ++i) out += (i ? " > " : "") + labels(path[i]);
  return out;
}

std::string describeStep(const Step& step) {
  std::ostringstream out;
  if (const auto* s = step.as<KeyStep>()) {
    out << "key(" << s->combo.keyCode << (s->combo.command ? " cmd" : "") << (s->combo.shift ? " shift" : "")
        << (s->combo.option ? " opt" : "") << (s->combo.control ? " ctrl" : "") << " '" << s->combo.text << "')";
  } else if (const auto* s = step.as<MenuStep>()) {
    out << "menu(" << menuPath(s->path) << ")";
  } else if (const auto* s = step.as<RibbonStep>()) {
    out << "ribbon(" << labels(s->labels) << " tab=" << s->tab.value_or("-")
        << " item=" << (s->item ? menuPath(*s->item) : "-") << " action=" << rawValue(s->action) << ")";
  } else if (const auto* s = step.as<QatStep>()) {
    out << "qat(" << s->number << ")";
  } else if (const auto* s = step.as<TitlebarStep>()) {
    out << "titlebar(" << labels(s->labels) << ")";
  } else if (const auto* s = step.as<ClickStep>()) {
    out << "click(" << labels(s->labels) << " timeout=" << s->timeout << ")";
  } else if (const auto* s = step.as<WaitStep>()) {
    out << "wait(" << s->seconds << ")";
  } else if (const auto* s = step.as<FirstOfStep>()) {
    out << "firstOf(" << describeSteps(s->steps) << ")";
  } else if (const auto* s = step.as<SequenceStep>()) {
    out << "sequence(" << describeSteps(s->steps) << (s->optional ? " optional" : "") << ")";
  } else if (const auto* s = step.as<UseStep>()) {
    out << "use(" << s->name << ")";
  }
  return out.str();
}

std::string describeSteps(const std::vector<Step>& steps) {
  std::string out;
  for (std::size_t i = 0; i < steps.size(); ++i) out += (i ? ", " : "") + describeStep(steps[i]);
  return out;
}

std::string describeFile(const std::expected<ShortcutFile, DecodeError>& file) {
  if (!file) return "error: " + describe(file.error()) + "\n";
  std::ostringstream out;
  out << "ok: groups=" << (file->groups ? std::to_string(file->groups->size()) : "-")
      << " tips=" << (file->tips ? std::to_string(file->tips->size()) : "-")
      << " macros=" << (file->macros ? std::to_string(file->macros->size()) : "-")
      << " shortcuts=" << (file->shortcuts ? std::to_string(file->shortcuts->size()) : "-") << "\n";
  if (!file->shortcuts) return out.str();
  for (const auto& entry : *file->shortcuts) {
    out << "  " << entry.keys << ": ";
    if (!entry.steps) {
      out << "do error: " << describe(entry.steps.error());
    } else if (!*entry.steps) {
      out << "no do";
    } else {
      out << describeSteps(**entry.steps);
    }
    if (entry.name) out << " name=" << *entry.name;
    if (entry.note) out << " note=" << *entry.note;
    if (entry.disabled) out << " disabled=" << *entry.disabled;
    if (entry.absorb) out << " absorb=" << *entry.absorb;
    out << "\n";
  }
  return out.str();
}

TEST(Decoder, GoldenCases) {
  auto cases = testing::readDataFile("model/decode_cases.txt");
  std::istringstream in(cases);
  std::string line;
  std::string name;
  std::string body;
  std::string actual;
  auto flush = [&] {
    if (name.empty()) return;
    if (body == "@DEEP@\n") body = std::string(300, '[') + std::string(300, ']');
    actual += "=== " + name + "\n" + describeFile(decodeShortcutFile(body));
  };
  while (std::getline(in, line)) {
    if (line.starts_with("#")) continue;
    if (line.starts_with("=== ")) {
      flush();
      name = line.substr(4);
      body.clear();
      continue;
    }
    body += line + "\n";
  }
  flush();
  testing::expectGolden("model/decode_cases.golden", actual);
}

TEST(Decoder, OneObjectAndOneElementArrayGiveTheSameSteps) {
  auto single = decodeShortcutFile(R"({"shortcuts":[{"keys":"A","do":{"ribbon":"Bold","tab":"Home"}}]})");
  auto list = decodeShortcutFile(R"({"shortcuts":[{"keys":"A","do":[{"ribbon":"Bold","tab":"Home"}]}]})");
  ASSERT_TRUE(single && list);
  EXPECT_EQ(*single->shortcuts->at(0).steps, *list->shortcuts->at(0).steps);
}

TEST(Decoder, ExactDescriptionsOfTheCommonFaults) {
  auto missing = decodeShortcutFile(R"({"shortcuts":[{"name":"x"}]})");
  ASSERT_FALSE(missing);
  EXPECT_EQ(describe(missing.error()), "missing \"keys\"");

  auto entry = decodeShortcutFile(
      R"({"shortcuts":[{"keys":"A","do":{"qat":1}},{"keys":"B","do":{"qat":1}},{"keys":"C","do":{"qat":"3"}},{"keys":"D","do":[{"qat":1},{"qat":"x"}]}]})");
  ASSERT_TRUE(entry);
  EXPECT_EQ(describe(entry->shortcuts->at(2).steps.error()), "wrong type at shortcuts.Index 2.do.qat");
  EXPECT_EQ(describe(entry->shortcuts->at(3).steps.error()), "wrong type at shortcuts.Index 3.do");

  auto action = decodeShortcutFile(R"({"shortcuts":[{"keys":"A","do":{"ribbon":"X","action":"Press"}}]})");
  EXPECT_EQ(describe(action->shortcuts->at(0).steps.error()), "Unknown ribbon action \"Press\" (use press, menu or focus)");

  auto syntax = decodeShortcutFile("{\n  \"a\": }");
  ASSERT_FALSE(syntax);
  EXPECT_TRUE(describe(syntax.error()).starts_with("JSON syntax error at line 2, column 8: ")) << describe(syntax.error());
  EXPECT_EQ(describe(syntax.error()).find("json.exception"), std::string::npos);
}

// A repeated key once dropped the first list of shortcuts silently: now the whole file is refused,
// with where the repetition is, and the file's text never appears in the message (it is logged).
TEST(Decoder, ARepeatedKeyAnywhereMakesTheFileUnreadable) {
  auto top = decodeShortcutFile(R"({"shortcuts": [], "shortcuts": []})");
  ASSERT_FALSE(top);
  EXPECT_EQ(describe(top.error()), "the key \"shortcuts\" appears twice");
  auto inner = decodeShortcutFile(R"({"shortcuts": [{"keys": "A"}, {"keys": "B", "name": "x", "keys": "C"}]})");
  ASSERT_FALSE(inner);
  EXPECT_EQ(describe(inner.error()), "the key \"keys\" appears twice in shortcuts.Index 1");
  auto group = decodeShortcutFile(R"({"groups": {"H": "Home", "H": "Again"}})");
  ASSERT_FALSE(group);
  EXPECT_EQ(describe(group.error()), "the key \"H\" appears twice in groups");
  EXPECT_TRUE(decodeShortcutFile(R"({"groups": {"H": "Home", "h": "Other"}, "a": {"x": 1}, "b": {"x": 1}})"));

  auto literal = decodeShortcutFile("{\"shortcuts\": [ {\"keys\": \"my secret name\", \"do\": tru ");
  ASSERT_FALSE(literal);
  EXPECT_EQ(describe(literal.error()).find("secret"), std::string::npos) << describe(literal.error());
}

TEST(Decoder, UnitsAreMillisecondsForWaitAndSecondsForTimeout) {
  auto file = decodeShortcutFile(R"({"shortcuts":[{"keys":"A","do":[{"wait":250},{"click":"OK"},{"click":"OK","timeout":4}]}]})");
  ASSERT_TRUE(file);
  const auto& steps = **file->shortcuts->at(0).steps;
  EXPECT_DOUBLE_EQ(steps[0].as<WaitStep>()->seconds, 0.25);
  EXPECT_DOUBLE_EQ(steps[1].as<ClickStep>()->timeout, 2.5);
  EXPECT_DOUBLE_EQ(steps[2].as<ClickStep>()->timeout, 4.0);
}

TEST(Decoder, NestingDepthLimitIsExact) {
  auto nested = [](int depth) { return std::string(depth, '[') + std::string(depth, ']'); };
  EXPECT_EQ(describe(decodeShortcutFile(nested(kMaxJsonDepth)).error()), "wrong type at the top level");
  EXPECT_EQ(describe(decodeShortcutFile(nested(kMaxJsonDepth + 1)).error()), "JSON nested more than 256 levels deep");
  // Brackets inside strings do not count.
  std::string quoted = "{\"groups\":{\"H\":\"" + std::string(1000, '[') + "\"}}";
  EXPECT_TRUE(decodeShortcutFile(quoted).has_value());
  // A very deep file is refused quickly without exhausting the stack.
  EXPECT_FALSE(decodeShortcutFile(nested(200000)).has_value());
}

TEST(TipTarget, GrammarRows) {
  EXPECT_EQ(parseTipTarget("tab:Page Layout"), (TipTarget{TipTarget::Kind::tab, {"Page Layout"}, 0}));
  EXPECT_EQ(parseTipTarget("tab:a|b"), (TipTarget{TipTarget::Kind::tab, {"a|b"}, 0}));
  EXPECT_EQ(parseTipTarget("corner:Font|Font Settings"), (TipTarget{TipTarget::Kind::corner, {"Font", "Font Settings"}, 0}));
  EXPECT_EQ(parseTipTarget("qat:3"), (TipTarget{TipTarget::Kind::qat, {}, 3}));
  EXPECT_EQ(parseTipTarget("qat:x"), (TipTarget{TipTarget::Kind::control, {"qat:x"}, 0}));
  EXPECT_EQ(parseTipTarget("qat:+12"), (TipTarget{TipTarget::Kind::qat, {}, 12}));
  EXPECT_EQ(parseTipTarget("qat:"), (TipTarget{TipTarget::Kind::control, {"qat:"}, 0}));
  EXPECT_EQ(parseTipTarget("qat:3 "), (TipTarget{TipTarget::Kind::control, {"qat:3"}, 0}));
  EXPECT_EQ(parseTipTarget("titlebar:Share"), (TipTarget{TipTarget::Kind::titlebar, {"Share"}, 0}));
  EXPECT_EQ(parseTipTarget("Wrap Text | Wrap"), (TipTarget{TipTarget::Kind::control, {"Wrap Text", "Wrap"}, 0}));
}

}  // namespace
}  // namespace corvane::model

namespace corvane::model {
namespace {

TEST(Decoder, EscapesDecode) {
  auto file = decodeShortcutFile(R"({"groups": {"H": "Caf\u00e9 \ud83d\ude00"},
                                     "shortcuts": [{"keys": "B", "do": {"qat": 1}}]})");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->groups->at("H"), "Café 😀");
  EXPECT_EQ(file->shortcuts->at(0).keys, "B");
}

TEST(Decoder, StepOrListFromText) {
  auto steps = decodeStepOrList(R"({"ribbon": "Bold", "tab": "Home"})");
  ASSERT_TRUE(steps);
  EXPECT_TRUE(steps->at(0).is<RibbonStep>());
  EXPECT_EQ(describe(decodeStepOrList(R"({"qat": "1"})").error()), "wrong type at do.qat");
  EXPECT_FALSE(decodeStepOrList("{").has_value());
}

}  // namespace
}  // namespace corvane::model
