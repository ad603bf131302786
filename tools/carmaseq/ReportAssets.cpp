#include "ReportAssets.h"

namespace carmaseq_cli {

const char kReportStyle[] = R"css(
body { font: 14px/1.45 system-ui, sans-serif; color: #1d2430; background: #fff; margin: 0 auto;
       max-width: 1100px; padding: 0 18px 40px; }
h1 { font-size: 1.5em; margin: 18px 0 4px; }
h2 { font-size: 1.2em; border-bottom: 1px solid #d6dbe3; padding-bottom: 3px; margin-top: 30px; }
nav a { margin-right: 14px; }
dl.summary { display: grid; grid-template-columns: max-content auto; gap: 2px 16px; }
dl.summary dt { color: #566075; }
dl.summary dd { margin: 0; }
.charts { display: flex; flex-wrap: wrap; gap: 26px; }
figure { margin: 10px 0; }
figcaption { color: #566075; font-size: 0.9em; max-width: 480px; }
svg text { font: 11px system-ui, sans-serif; fill: #1d2430; }
svg .axis-title { font-weight: 600; }
.bar { fill: #3b6fb6; }
.axis { stroke: #1d2430; }
.frame { fill: #fafbfc; stroke: #b9c0cc; }
.grid { stroke: #e3e7ee; }
.pt { stroke: #fff; stroke-width: 0.6; fill-opacity: 0.85; cursor: pointer; }
.pt:hover, .pt.hit { stroke: #d1202f; stroke-width: 2; }
.pt.faded { fill-opacity: 0.08; stroke-opacity: 0.1; }
#readout { min-height: 1.5em; font-weight: 600; }
.sr-only { position: absolute; width: 1px; height: 1px; overflow: hidden; clip: rect(0 0 0 0);
           white-space: nowrap; }
#controls { margin: 8px 0; }
#controls input { font: inherit; padding: 2px 6px; width: 18em; }
table { border-collapse: collapse; width: 100%; }
th, td { padding: 3px 8px; border-bottom: 1px solid #e3e7ee; text-align: left; vertical-align: top; }
td.num, th.num { text-align: right; font-variant-numeric: tabular-nums; }
th button { font: inherit; font-weight: 600; border: 0; background: none; padding: 0;
            cursor: pointer; color: #1d4f91; }
th[aria-sort=ascending] button::after { content: " \25B2"; }
th[aria-sort=descending] button::after { content: " \25BC"; }
tr.hit td { background: #fff3c4; }
.item { white-space: nowrap; }
.link { fill: none; stroke: #8795ab; stroke-width: 1.2; }
.node rect { fill: #eaf1fb; stroke: #3b6fb6; }
.lattice-box { overflow-x: auto; }
#script-errors { color: #a3131f; }
)css";

const char kReportScript[] = R"js(
(function () {
  "use strict";
  var errors = document.getElementById("script-errors");
  function fail(message) {
    errors.hidden = false;
    errors.textContent += "script error: " + message + "\n";
  }
  window.addEventListener("error", function (e) { fail(e.message); });
  try {
    var table = document.getElementById("rule-table");
    var body = table.tBodies[0];
    var rows = Array.prototype.slice.call(body.rows);
    var headers = Array.prototype.slice.call(table.tHead.rows[0].cells);
    var points = {};
    Array.prototype.forEach.call(document.querySelectorAll("#scatter .pt"), function (p) {
      points[p.getAttribute("data-i")] = p;
    });
    var rowsByIndex = {};
    rows.forEach(function (row) {
      rowsByIndex[row.getAttribute("data-i")] = row;
      row.items = Array.prototype.map.call(row.querySelectorAll(".item"), function (s) {
        return s.textContent.toLowerCase();
      });
    });

    var key = function (row, column) {
      var value = row.cells[column].getAttribute("data-v");
      return value !== null ? parseFloat(value) : row.cells[column].textContent;
    };
    var sortBy = function (name, direction) {
      var column = -1;
      headers.forEach(function (h, i) { if (h.getAttribute("data-col") === name) column = i; });
      if (column < 0) { return; }
      var numeric = headers[column].classList.contains("num");
      if (direction !== "asc" && direction !== "desc") {
        direction = numeric && name !== "number" ? "desc" : "asc";
      }
      var sign = direction === "asc" ? 1 : -1;
      var order = rows.slice();
      order.sort(function (a, b) {
        var x = key(a, column), y = key(b, column);
        var c = numeric ? x - y : x.localeCompare(y);
        if (c === 0) { c = key(a, 0) - key(b, 0); return c; }
        return sign * c;
      });
      order.forEach(function (row) { body.appendChild(row); });
      headers.forEach(function (h, i) {
        if (i === column) {
          h.setAttribute("aria-sort", direction === "asc" ? "ascending" : "descending");
        } else {
          h.removeAttribute("aria-sort");
        }
      });
      state.sort = name;
      state.dir = direction;
    };

    var filterBox = document.getElementById("filter");
    var count = document.getElementById("shown-count");
    var filter = function (text) {
      var needle = text.trim().toLowerCase();
      var shown = 0;
      rows.forEach(function (row) {
        var keep = needle === "" || row.items.some(function (item) {
          return item.indexOf(needle) >= 0;
        });
        row.hidden = !keep;
        var point = points[row.getAttribute("data-i")];
        if (point) { point.classList.toggle("faded", !keep); }
        if (keep) { shown += 1; }
      });
      count.textContent = shown + " of " + rows.length + " rules shown";
      state.filter = text;
    };

    var state = {sort: "", dir: "", filter: ""};
    var writeHash = function () {
      var parts = [];
      if (state.sort) { parts.push("sort=" + state.sort, "dir=" + state.dir); }
      if (state.filter) { parts.push("filter=" + encodeURIComponent(state.filter)); }
      history.replaceState(null, "", parts.length ? "#" + parts.join("&") : location.pathname);
    };
    var readHash = function () {
      var wanted = {};
      location.hash.replace(/^#/, "").split("&").forEach(function (part) {
        var eq = part.indexOf("=");
        if (eq > 0) { wanted[part.slice(0, eq)] = decodeURIComponent(part.slice(eq + 1)); }
      });
      if (wanted.sort) { sortBy(wanted.sort, wanted.dir); }
      filterBox.value = wanted.filter || "";
      filter(filterBox.value);
    };

    headers.forEach(function (h) {
      var button = document.createElement("button");
      button.type = "button";
      button.textContent = h.textContent;
      h.textContent = "";
      h.appendChild(button);
      button.addEventListener("click", function () {
        var name = h.getAttribute("data-col");
        var current = h.getAttribute("aria-sort");
        var dir = current === "descending" ? "asc" : current === "ascending" ? "desc" : "";
        sortBy(name, dir);
        writeHash();
      });
    });
    filterBox.addEventListener("input", function () { filter(filterBox.value); writeHash(); });
    document.getElementById("controls").hidden = false;

    var readout = document.getElementById("readout");
    var lit = null;
    var light = function (point, on) {
      var row = rowsByIndex[point.getAttribute("data-i")];
      point.classList.toggle("hit", on);
      if (row) { row.classList.toggle("hit", on); }
      readout.textContent = on ? point.querySelector("title").textContent : "";
    };
    Object.keys(points).forEach(function (i) {
      var point = points[i];
      point.addEventListener("mouseenter", function () {
        if (lit) { light(lit, false); }
        lit = point;
        light(point, true);
      });
      point.addEventListener("click", function () {
        var row = rowsByIndex[i];
        if (row && !row.hidden) { row.scrollIntoView({block: "center"}); }
      });
    });
    window.addEventListener("hashchange", readHash);
    readHash();
    document.documentElement.setAttribute("data-script", "ready");
  } catch (e) {
    fail(e && e.message ? e.message : String(e));
  }
})();
)js";

}  // namespace carmaseq_cli
