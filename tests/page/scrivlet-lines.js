// scrivlet-lines.js PAGE_SCRIPT TABLE: runs the drawing page's own script
// (page/scrivlet.js) in node, on a stand-in for the browser that records what the
// board's canvas is painted, presses and releases the left button for every line
// of TABLE (tests/data/line-pixels.txt) and checks that the page paints the
// table's pixels on its board, in the table's order. The C++ line walk is checked
// against the same table, so the two cannot drift apart.
"use strict";

const fs = require("node:fs");
const vm = require("node:vm");

const [scriptPath, tablePath] = process.argv.slice(2);
if (!scriptPath || !tablePath) {
  console.error("usage: node scrivlet-lines.js PAGE_SCRIPT TABLE");
  process.exit(2);
}

// The page's default place for its board, and its size.
const boardX = 100;
const boardY = 250;
const boardSide = 300;

// The browser, as far as the page uses it: elements with a style, a canvas whose
// one-pixel fills are recorded (in board coordinates, as the page passes them),
// and the window's listeners.
const painted = [];
const listeners = {};
function element() {
  return {
    style: {},
    textContent: "",
    getContext: () => ({
      fillStyle: "",
      fillRect(x, y, width, height) {
        if (width === 1 && height === 1) {
          painted.push([x, y]);
        }
      },
    }),
  };
}
const elements = new Map();
const browser = {
  window: {
    location: { search: "" },
    innerWidth: 1280,
    addEventListener(type, listener) {
      listeners[type] = listener;
    },
    requestAnimationFrame() {},
  },
  document: {
    getElementById(id) {
      if (!elements.has(id)) {
        elements.set(id, element());
      }
      return elements.get(id);
    },
  },
  URLSearchParams,
};
vm.runInNewContext(fs.readFileSync(scriptPath, "utf8"), browser, { filename: scriptPath });
if (!listeners.mousedown || !listeners.mouseup) {
  console.error("the page took no mouse buttons");
  process.exit(1);
}

function button(type, x, y) {
  listeners[type]({ button: 0, clientX: boardX + x, clientY: boardY + y, preventDefault() {} });
}

let lines = 0;
let failures = 0;
for (const row of fs.readFileSync(tablePath, "utf8").split("\n")) {
  if (row === "" || row.startsWith("#")) {
    continue;
  }
  const [ends, pixels] = row.split(":");
  const [x0, y0, x1, y1] = ends.trim().split(/\s+/).map(Number);
  const numbers = pixels.trim().split(/\s+/).map(Number);
  const expected = [];
  for (let i = 0; i + 1 < numbers.length; i += 2) {
    const [x, y] = [numbers[i], numbers[i + 1]];
    if (x >= 0 && y >= 0 && x < boardSide && y < boardSide) {
      expected.push([x, y]);
    }
  }
  painted.length = 0;
  button("mousedown", x0, y0);
  button("mouseup", x1, y1);
  ++lines;
  if (JSON.stringify(painted) !== JSON.stringify(expected)) {
    ++failures;
    console.error(`${x0} ${y0} ${x1} ${y1}: the page painted ${painted.join(" ")}, the table says ${expected.join(" ")}`);
  }
}
if (lines === 0) {
  console.error("no lines in " + tablePath);
  process.exit(1);
}
console.log(`${lines - failures} of ${lines} lines as the table says`);
process.exit(failures === 0 ? 0 : 1);
