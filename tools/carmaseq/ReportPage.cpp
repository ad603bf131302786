#include "ReportPage.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <ostream>
#include <set>

#include "HtmlText.h"
#include "LatticeDrawing.h"
#include "ReportAssets.h"
#include "SequenceLabel.h"
#include "SvgBarChart.h"
#include "SvgScatterPlot.h"
#include "dictionary/SeqAssociationRule.h"
#include "dictionary/SequenceDictionary.h"
#include "mining/ModelFile.h"
#include "sequence/Sequence.h"
#include "sequence/TimedItemSet.h"

namespace carmaseq_cli {

namespace seq = SEQUENCE_NAMESPACE_800;

namespace {

// The rules a report shows and how many the query found in all.
struct RuleSelection {
  std::vector<seq::SeqAssociationRule> shown;  // best confidence first
  std::size_t found = 0;
  std::vector<Bar> perTenth;  // every found rule, by tenth of confidence
};

RuleSelection SelectRules(seq::SequenceDictionary& dictionary, const ReportOptions& options) {
  RuleSelection selection;
  if (!dictionary.GetRules(selection.shown, 0, 1, options.minConfidence, 1, 0, 1, 'C', false)
           .IsOK()) {
    throw std::bad_alloc();
  }
  selection.found = selection.shown.size();
  std::int64_t tenths[10] = {};
  for (const seq::SeqAssociationRule& rule : selection.shown) {
    // The slack puts a confidence such as 0.7 (stored as 0.69999...) into its own tenth.
    const double tenth = std::floor(rule.GetConfidence() * 10 + 1e-9);
    ++tenths[static_cast<int>(std::clamp(tenth, 0.0, 9.0))];
  }
  for (int i = 0; i < 10; ++i) selection.perTenth.push_back({Fixed(i / 10.0, 1), tenths[i]});
  if (options.maxRules != 0 && selection.shown.size() > options.maxRules) {
    selection.shown.erase(selection.shown.begin() + static_cast<std::ptrdiff_t>(options.maxRules),
                          selection.shown.end());
  }
  return selection;
}

// A sequence as HTML, each item in a <span class="item"> for the filter to find.
std::string SequenceHtml(const seq::Sequence& sequence, const seq::ItemNameMap* names) {
  return SequenceLabel(sequence, [names](std::int32_t id) {
    return "<span class=\"item\">" + EscapeHtml(ItemLabel(id, names)) + "</span>";
  });
}

std::string RuleText(const seq::SeqAssociationRule& rule, const seq::ItemNameMap* names) {
  return SequenceLabel(rule.GetAntecedent(), names) + " => " +
         SequenceLabel(rule.GetConsequent(), names);
}

std::string TimeConstraints(const seq::SequenceDictionary& dictionary) {
  std::string text;
  const auto add = [&text](const char* name, double value) {
    if (value == 0) return;
    if (!text.empty()) text += ", ";
    text += name + Short(value);
  };
  add("minimum gap ", dictionary.getMinGap());
  add("maximum gap ", dictionary.getMaxGap());
  add("window ", dictionary.getSlidingWindow());
  return text.empty() ? "none" : text;
}

void WriteHead(const ReportOptions& options, std::ostream& out) {
  const std::string title = options.title.empty() ? "a mined model" : options.title;
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
      << EscapeHtml("Rules of " + title) << "</title>\n<style>" << kReportStyle
      << "</style>\n</head>\n<body>\n<header>\n<h1>Sequential rules of " << EscapeHtml(title)
      << "</h1>\n<nav><a href=\"#summary\">Summary</a><a "
      << "href=\"#plot\">Scatter plot</a><a href=\"#rules\">Rules</a><a href=\"#lattice-part\">"
      << "Strongest sequences</a></nav>\n</header>\n";
}

void WriteSummaryList(seq::SequenceDictionary& dictionary, const ReportOptions& options,
                      const RuleSelection& rules, std::ostream& out) {
  out << "<dl class=\"summary\">\n";
  const auto item = [&out](const std::string& label, const std::string& value) {
    out << "<dt>" << EscapeHtml(label) << "</dt><dd>" << EscapeHtml(value) << "</dd>\n";
  };
  for (const auto& [label, value] : options.provenance) item(label, value);
  item("customers", std::to_string(dictionary.getTotalCount()));
  item("minimum support", Short(dictionary.getMinimumSupport()) + " of the customers");
  item("time constraints", TimeConstraints(dictionary));
  item("held sequences", std::to_string(dictionary.NumberOfSequences() - 1) + " of up to " +
                             std::to_string(dictionary.LargestSequence()) + " items");
  item("rules", std::to_string(rules.found) + " with confidence at least " +
                    Short(options.minConfidence) + "; " + std::to_string(rules.shown.size()) +
                    " shown, " + std::to_string(rules.found - rules.shown.size()) + " left out");
  out << "</dl>\n";
}

void WriteSummary(seq::SequenceDictionary& dictionary, const ReportOptions& options,
                  const RuleSelection& rules, std::ostream& out) {
  out << "<section id=\"summary\">\n<h2>Summary</h2>\n";
  WriteSummaryList(dictionary, options, rules, out);
  std::vector<Bar> sizes;
  for (int k = 1; k <= dictionary.LargestSequence(); ++k) {
    sizes.push_back({std::to_string(k), dictionary.CountSequencesOfSize(k)});
  }
  out << "<div class=\"charts\">\n<figure>\n";
  WriteBarChart(sizes, "Held sequences per number of items", "number of items", out);
  out << "<figcaption>Held sequences per number of items.</figcaption>\n</figure>\n<figure>\n";
  WriteBarChart(rules.perTenth, "Rules per tenth of confidence", "confidence from", out);
  out << "<figcaption>All " << rules.found
      << " rules per tenth of confidence: the bar labelled 0.7 counts confidences from 0.7 up "
         "to below 0.8 (the last bar includes 1).</figcaption>\n</figure>\n</div>\n</section>\n";
}

void WritePlot(const RuleSelection& rules, const seq::ItemNameMap* names, std::ostream& out) {
  std::vector<RulePoint> points;
  for (const seq::SeqAssociationRule& rule : rules.shown) {
    points.push_back(
        {rule.GetSupport(), rule.GetConfidence(), rule.GetCause(), RuleText(rule, names)});
  }
  out << "<section id=\"plot\">\n<h2 id=\"scatter-title\">The " << points.size()
      << " rules shown, by support and confidence</h2>\n<p>Each point is a rule: support across, "
         "confidence up, its colour the rule's cause (the share of the consequent's customers "
         "the rule covers). Point at a point to see its rule.</p>\n";
  WriteScatterPlot(points, out);
  out << "<p id=\"readout\" aria-hidden=\"true\"></p>\n<div class=\"sr-only\">\n<h3>The plotted "
         "rules as text</h3>\n<ol id=\"point-list\">\n";
  for (const RulePoint& point : points) {
    out << "<li>" << EscapeHtml(point.text) << ": support " << Fixed(point.support, 4)
        << ", confidence " << Fixed(point.confidence, 4) << ", cause " << Fixed(point.cause, 4)
        << "</li>\n";
  }
  out << "</ol>\n</div>\n</section>\n";
}

void WriteRuleRows(const RuleSelection& rules, const seq::ItemNameMap* names, std::ostream& out) {
  for (std::size_t i = 0; i < rules.shown.size(); ++i) {
    const seq::SeqAssociationRule& rule = rules.shown[i];
    out << "<tr data-i=\"" << i << "\"><td class=\"num\" data-v=\"" << i + 1 << "\">" << i + 1
        << "</td><td>" << SequenceHtml(rule.GetAntecedent(), names) << "</td><td>"
        << SequenceHtml(rule.GetConsequent(), names) << "</td>";
    for (const double measure : {rule.GetSupport(), rule.GetConfidence(), rule.GetCause()}) {
      out << "<td class=\"num\" data-v=\"" << Fixed(measure, 9) << "\">" << Fixed(measure, 4)
          << "</td>";
    }
    out << "</tr>\n";
  }
}

// The item names of the shown rules, for the filter box's suggestions.
void WriteItemChoices(const RuleSelection& rules, const seq::ItemNameMap* names,
                      std::ostream& out) {
  std::set<std::string> labels;
  for (const seq::SeqAssociationRule& rule : rules.shown) {
    for (const seq::Sequence* part : {&rule.GetAntecedent(), &rule.GetConsequent()}) {
      for (int i = 0; i < part->Length(); ++i) {
        for (auto it = (*part)[i].Begin(); it != (*part)[i].End(); ++it) {
          labels.insert(ItemLabel(*it, names));
        }
      }
    }
  }
  out << "<datalist id=\"item-names\">";
  for (const std::string& label : labels) out << "<option value=\"" << EscapeHtml(label) << "\">";
  out << "</datalist>\n";
}

void WriteRuleTable(const RuleSelection& rules, const ReportOptions& options,
                    const seq::ItemNameMap* names, std::ostream& out) {
  const std::size_t left = rules.found - rules.shown.size();
  out << "<section id=\"rules\">\n<h2>Rules</h2>\n<p id=\"rule-count\">";
  if (rules.found == 0) {
    out << "No rule has confidence at least " << Short(options.minConfidence) << ".";
  } else if (left == 0) {
    out << "All " << rules.found << " rules with confidence at least "
        << Short(options.minConfidence) << " are shown, best confidence first.";
  } else {
    out << "The " << rules.shown.size() << " rules of highest confidence are shown; " << left
        << " more of the " << rules.found << " rules with confidence at least "
        << Short(options.minConfidence) << " are left out.";
  }
  out << "</p>\n<div id=\"controls\" hidden><label for=\"filter\">Only rules with the item </label>"
         "<input id=\"filter\" type=\"search\" list=\"item-names\" autocomplete=\"off\"> "
         "<output id=\"shown-count\" for=\"filter\"></output></div>\n";
  WriteItemChoices(rules, names, out);
  out << "<table id=\"rule-table\">\n<thead><tr><th class=\"num\" data-col=\"number\">#</th>"
         "<th data-col=\"antecedent\">antecedent</th><th data-col=\"consequent\">consequent</th>"
         "<th class=\"num\" data-col=\"support\">support</th><th class=\"num\" "
         "data-col=\"confidence\">confidence</th><th class=\"num\" data-col=\"cause\">cause</th>"
         "</tr></thead>\n<tbody>\n";
  WriteRuleRows(rules, names, out);
  out << "</tbody>\n</table>\n</section>\n";
}

void WriteLattice(seq::SequenceDictionary& dictionary, const seq::ItemNameMap* names,
                  const ReportOptions& options, std::ostream& out) {
  const std::vector<LatticeNode> nodes =
      StrongestSequences(dictionary, names, options.latticeSequences);
  const double customers = dictionary.getTotalCount();
  out << "<section id=\"lattice-part\">\n<h2 id=\"lattice-title\">The " << nodes.size()
      << " strongest sequences</h2>\n<p>The " << nodes.size()
      << " held sequences of highest support, one column per number of items. A line joins a "
         "sequence to each of its held one-item extensions among them.</p>\n"
         "<div class=\"lattice-box\">\n";
  WriteLatticeDrawing(nodes, customers, out);
  out << "</div>\n<details>\n<summary>The same sequences as text</summary>\n<ol>\n";
  for (const LatticeNode& node : nodes) {
    out << "<li>" << EscapeHtml(node.text) << ": support "
        << Fixed(customers > 0 ? node.count / customers : 0, 4) << " (" << node.count
        << " customers), " << node.extensions << " held one-item extensions";
    for (std::size_t i = 0; i < node.children.size(); ++i) {
      out << (i == 0 ? "; drawn: " : "; ") << EscapeHtml(nodes[node.children[i]].text);
    }
    out << "</li>\n";
  }
  out << "</ol>\n</details>\n</section>\n";
}

}  // namespace

void WriteReport(seq::SequenceDictionary& dictionary, const seq::ItemNameMap* names,
                 const ReportOptions& options, std::ostream& out) {
  const RuleSelection rules = SelectRules(dictionary, options);
  WriteHead(options, out);
  WriteSummary(dictionary, options, rules, out);
  WritePlot(rules, names, out);
  WriteRuleTable(rules, options, names, out);
  WriteLattice(dictionary, names, options, out);
  out << "<footer><p>Written by " << EscapeHtml(options.generator)
      << ". The page is self-contained: it loads nothing.</p></footer>\n"
         "<pre id=\"script-errors\" hidden></pre>\n<script>"
      << kReportScript << "</script>\n</body>\n</html>\n";
}

std::vector<std::pair<std::string, std::string>> DescribeSource(const seq::ModelSource& source) {
  std::vector<std::pair<std::string, std::string>> lines;
  const auto add = [&lines](const char* label, const std::string& value) {
    if (!value.empty()) lines.emplace_back(label, value);
  };
  add("input", source.input == "-" ? "standard input" : source.input);
  add("input format", source.format);
  if (!source.itemColumn.empty()) {
    add("columns (customer, time, item)",
        source.customerColumn + ", " + source.timeColumn + ", " + source.itemColumn);
  }
  const bool tab = source.delimiter == "\t" || source.delimiter == "\\t";
  add("delimiter", tab ? "tab" : source.delimiter);
  add("time format", source.timeFormat);
  if (source.maxItems > 0) add("items per sequence", "at most " + std::to_string(source.maxItems));
  return lines;
}

void WriteReport(seq::SavedModel& model, const ReportOptions& options, std::ostream& out) {
  ReportOptions filled = options;
  if (filled.provenance.empty()) filled.provenance = DescribeSource(model.source);
  WriteReport(*model.dictionary, &model.names, filled, out);
}

}  // namespace carmaseq_cli
