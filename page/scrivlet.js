// The Scrivlet drawing page: a 300 x 300 board with a grey edge line two rows
// above it and three colour sliders (red, green, blue) to its right.
//   - A press on slider pixel p (0..51 from the slider's left end) sets that
//     channel of the pen to min(255, 5p).
//   - A press on the board and a release at the same pixel paints that pixel in
//     the pen colour; a release anywhere else paints a 1-pixel line from the
//     press to the release (both ends, integer Bresenham), clipped to the board.
//   - Anything else does nothing. The pen starts black.
// For people, and clear of all the above: a title over the board, a frame
// beside and below it (in a lighter grey than the edge), a knob under
// each slider and its value beside it, and a swatch of the pen colour. They are
// redrawn at most once a frame, so a fast drawing program never waits for them.
// The board's top-left pixel is at page (x, y), (100, 250) unless the address
// asks otherwise: index.html?x=120&y=260. For tests, ?drop=P&seed=S makes it
// lose gestures (see droppingGestures), and ?inert=1 makes it take no input at
// all: a page that looks like the drawing page and never draws.
// Other pages of the same layout look otherwise around it, and so may this one:
// ?edge=N draws the edge line N pixels long from the board's left column (280 to
// 4000; edge=full: to the window's right side), ?frame=0 leaves the frame out, and
// ?sliders=tall draws the sliders darker and taller (a press 4 rows off a
// slider's click row still counts).
"use strict";

(function () {
  const boardSide = 300;
  const edgeRow = -2;
  const sliderLeft = 365;
  const sliderWidth = 52;
  const sliderRows = [172, 212, 252];

  // A whole number of pixels within reach, or the default. The edge line must
  // stay on the page, so the board cannot start above row 2.
  function positionFromAddress(name, fallback, lowest) {
    const text = new URLSearchParams(window.location.search).get(name);
    if (text === null || !/^[0-9]{1,4}$/.test(text)) {
      return fallback;
    }
    const value = Number(text);
    return value >= lowest ? value : fallback;
  }

  const boardX = positionFromAddress("x", 100, 0);
  const boardY = positionFromAddress("y", 250, -edgeRow);
  const query = new URLSearchParams(window.location.search);
  const edgeLength = query.get("edge") === "full"
    ? Math.max(boardSide, window.innerWidth - boardX)
    : Math.min(4000, positionFromAddress("edge", boardSide, 280));
  const tallSliders = query.get("sliders") === "tall";
  const sliderHalfHeight = tallSliders ? 4 : 2;

  function place(element, left, top) {
    element.style.left = left + "px";
    element.style.top = top + "px";
  }

  const edge = document.getElementById("edge");
  const board = document.getElementById("board");
  const sliders = [
    document.getElementById("red"),
    document.getElementById("green"),
    document.getElementById("blue"),
  ];
  place(edge, boardX, boardY + edgeRow);
  edge.style.width = edgeLength + "px";
  place(board, boardX, boardY);
  for (let channel = 0; channel < 3; ++channel) {
    place(sliders[channel], boardX + sliderLeft, boardY + sliderRows[channel] - sliderHalfHeight);
    if (tallSliders) {
      sliders[channel].style.height = 2 * sliderHalfHeight + 1 + "px";
      sliders[channel].style.background = "#8A8A8A";
    }
  }

  // The decorations. The title sits well above the edge line and is left out
  // when the board is too near the top for it.
  const frame = document.getElementById("frame");
  place(frame, boardX - 1, boardY + edgeRow);
  if (query.get("frame") === "0") {
    frame.style.display = "none";
  }
  const title = document.getElementById("title");
  const titleTop = boardY + edgeRow - 20 - 32;
  if (titleTop >= 0) {
    place(title, boardX, titleTop);
  } else {
    title.style.display = "none";
  }
  const names = ["red", "green", "blue"];
  const knobs = names.map((name) => document.getElementById(name + "-knob"));
  const values = names.map((name) => document.getElementById(name + "-value"));
  const knobHalfWidth = 4;
  const knobGap = 2; // rows between the slider's last click row and the knob
  for (let channel = 0; channel < 3; ++channel) {
    place(values[channel], boardX + sliderLeft + sliderWidth + 10, boardY + sliderRows[channel] - 6);
  }
  const swatch = document.getElementById("swatch");
  const swatchLabel = document.getElementById("swatch-label");
  place(swatch, boardX + sliderLeft + sliderWidth + 60, boardY + sliderRows[0] - sliderHalfHeight);
  place(swatchLabel, boardX + sliderLeft + sliderWidth + 60, boardY + sliderRows[0] - sliderHalfHeight + 62);

  let decorationsDue = false;
  function drawDecorations() {
    decorationsDue = false;
    for (let channel = 0; channel < 3; ++channel) {
      // The slider pixel that gives this value: 5 per pixel, 51 for 255.
      const pixel = Math.min(sliderWidth - 1, Math.ceil(pen[channel] / 5));
      place(knobs[channel], boardX + sliderLeft + pixel - knobHalfWidth,
        boardY + sliderRows[channel] + sliderHalfHeight + 1 + knobGap);
      values[channel].textContent = names[channel][0].toUpperCase() + " " + String(pen[channel]).padStart(3);
    }
    const hex = "#" + pen.map((v) => v.toString(16).padStart(2, "0")).join("").toUpperCase();
    swatch.style.background = hex;
    swatchLabel.textContent = hex;
  }
  function decorationsChanged() {
    if (!decorationsDue) {
      decorationsDue = true;
      window.requestAnimationFrame(drawDecorations);
    }
  }

  // An opaque canvas, so nothing of the page shows through and every pixel
  // holds exactly the colour painted into it.
  const context = board.getContext("2d", { alpha: false });
  context.fillStyle = "#FFFFFF";
  context.fillRect(0, 0, boardSide, boardSide);

  const pen = [0, 0, 0];
  let pressedOnBoard = false;
  let pressX = 0;
  let pressY = 0;

  function onBoard(x, y) {
    return x >= boardX && x < boardX + boardSide && y >= boardY && y < boardY + boardSide;
  }

  // The slider under (x, y): 0, 1, 2 for red, green, blue, or -1.
  function sliderAt(x, y) {
    const left = boardX + sliderLeft;
    if (x < left || x >= left + sliderWidth) {
      return -1;
    }
    for (let channel = 0; channel < 3; ++channel) {
      const centre = boardY + sliderRows[channel];
      if (y >= centre - sliderHalfHeight && y <= centre + sliderHalfHeight) {
        return channel;
      }
    }
    return -1;
  }

  function paintPixel(x, y) {
    if (onBoard(x, y)) {
      context.fillRect(x - boardX, y - boardY, 1, 1);
    }
  }

  // Walked from the press towards the release with one error term for all
  // octants, so a line marks the same pixels whichever page draws it.
  function paintLine(x0, y0, x1, y1) {
    const dx = Math.abs(x1 - x0);
    const dy = -Math.abs(y1 - y0);
    const sx = x0 < x1 ? 1 : -1;
    const sy = y0 < y1 ? 1 : -1;
    let err = dx + dy;
    for (;;) {
      paintPixel(x0, y0);
      if (x0 === x1 && y0 === y1) {
        return;
      }
      const e2 = 2 * err;
      if (e2 >= dy) {
        err += dy;
        x0 += sx;
      }
      if (e2 <= dx) {
        err += dx;
        y0 += sy;
      }
    }
  }

  // The page pixel under the pointer. The page never scrolls and one page pixel
  // is one screen pixel, so the event's position is already whole.
  function pixelOf(event) {
    return [Math.floor(event.clientX), Math.floor(event.clientY)];
  }

  // For tests, a page that loses input: index.html?drop=P&seed=S drops each
  // gesture (a left press and its release), on a slider as much as on the board,
  // with probability P, drawn from a generator seeded with S (mulberry32), so a
  // run can be repeated exactly. Without drop nothing is lost.
  function droppingGestures(onPress, onRelease) {
    const query = new URLSearchParams(window.location.search);
    const rate = Number(query.get("drop"));
    if (!(rate > 0)) {
      return [onPress, onRelease];
    }
    let state = Number(query.get("seed")) >>> 0;
    function nextUnit() {
      state = (state + 0x6d2b79f5) >>> 0;
      let t = state;
      t = Math.imul(t ^ (t >>> 15), t | 1);
      t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
      return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
    }
    let dropping = false;
    return [
      (event) => {
        if (event.button === 0) {
          dropping = nextUnit() < rate;
        }
        if (dropping) {
          event.preventDefault();
          return;
        }
        onPress(event);
      },
      (event) => {
        if (event.button === 0 && dropping) {
          dropping = false;
          return;
        }
        onRelease(event);
      },
    ];
  }

  function press(event) {
    if (event.button !== 0) {
      return;
    }
    // No selection, no drag of the canvas: a press only ever does what is below.
    event.preventDefault();
    const [x, y] = pixelOf(event);
    pressedOnBoard = false;
    if (onBoard(x, y)) {
      pressedOnBoard = true;
      pressX = x;
      pressY = y;
      return;
    }
    const channel = sliderAt(x, y);
    if (channel >= 0) {
      pen[channel] = Math.min(255, 5 * (x - (boardX + sliderLeft)));
      context.fillStyle = "rgb(" + pen[0] + "," + pen[1] + "," + pen[2] + ")";
      decorationsChanged();
    }
  }

  function release(event) {
    if (event.button !== 0 || !pressedOnBoard) {
      return;
    }
    pressedOnBoard = false;
    const [x, y] = pixelOf(event);
    // A release on the press pixel is a dot: the line's only point.
    paintLine(pressX, pressY, x, y);
  }

  context.fillStyle = "rgb(0,0,0)";
  const [takePress, takeRelease] = droppingGestures(press, release);
  // Releases count wherever they happen, off the board and off the page too.
  if (new URLSearchParams(window.location.search).get("inert") !== "1") {
    window.addEventListener("mousedown", takePress);
    window.addEventListener("mouseup", takeRelease);
  }
  window.addEventListener("dragstart", (event) => event.preventDefault());
  window.addEventListener("contextmenu", (event) => event.preventDefault());

  drawDecorations();
  // Colouring the edge last tells whoever looks at the screen that the page is
  // ready for input.
  edge.style.background = "#999999";
})();
