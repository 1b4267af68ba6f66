#include "monitor/MonitorPage.h"

#include <cmath>
#include <cstdio>

namespace {

// The page in pieces of under 4 KiB each, the longest string literal every
// compiler must accept. The @NAMES@ are filled in by page() below.
const char* const kPage[] = {
R"PAGE(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>fieldsim monitor</title>
<style>
html, body { margin: 0; height: 100%; background: #15191d; color: #e8e8e8;
  font: 14px/1.3 system-ui, "DejaVu Sans", sans-serif; }
body { display: flex; flex-direction: column; }
#bar { display: flex; align-items: center; gap: 16px; padding: 6px 14px; background: #23292f; }
.team { font-weight: 600; font-size: 16px; }
#left-team { color: #7fb0ff; }
#right-team { color: #ff8a80; }
#score { font-size: 22px; font-weight: 700; font-variant-numeric: tabular-nums; }
#mode { padding: 2px 8px; border-radius: 4px; background: #3a4148; font-weight: 600; }
#clock { font-size: 20px; font-variant-numeric: tabular-nums; }
#status { margin-left: auto; font-size: 12px; color: #9aa3ab; text-align: right; }
#wrap { flex: 1; position: relative; min-height: 0; }
#field { position: absolute; left: 0; top: 0; width: 100%; height: 100%; display: block; }
@STYLE@</style>
</head>
<body>
<div id="bar">
  <span class="team" id="left-team">Left</span>
  <span id="score"><span id="left-score">0</span> : <span id="right-score">0</span></span>
  <span class="team" id="right-team">Right</span>
  <span id="mode">-</span>
  <span id="clock">0:00.0</span>
  <span id="status">connecting</span>
</div>
<div id="wrap"><canvas id="field"></canvas></div>
@HTML@<!-- What the last frame drew, in page pixels, for tests and tools that read the page. -->
<div id="drawn" hidden data-cycle="-1" data-events="0"></div>
<script>
"use strict";
const FIELD = @FIELD@;
const REPLAY = @REPLAY@;
// What a replay adds to the drawing: which robots are shown, the line under
// the bar, and more to draw over the field.
const HOOKS = { shown: null, status: null, afterDraw: null };
const COLOURS = { left: "#2f6fe4", right: "#e0483e" };
const MARGIN = 1.0;  // metres shown around the field: the ball's walls
const canvas = document.getElementById("field");
const ctx = canvas.getContext("2d", { willReadFrequently: true });
const record = document.getElementById("drawn");
const params = new URLSearchParams(location.search);
const teamNames = { left: "", right: "" };
let latest = null;
let received = 0;
let source = "";
let drawPending = false;

function num(v) { return typeof v === "number" && isFinite(v) ? v : null; }
function text(id, value) {
  const el = document.getElementById(id);
  if (el.textContent !== value) el.textContent = value;
}
function setStatus(s) { text("status", s); }

// World metres to page pixels: field centre in the middle, +x right, +y up.
function view() {
  const w = canvas.clientWidth, h = canvas.clientHeight, pad = 6;
  const s = Math.max(0.01, Math.min((w - 2 * pad) / (FIELD.length + 2 * MARGIN),
                                    (h - 2 * pad) / (FIELD.width + 2 * MARGIN)));
  return { w: w, h: h, s: s, ox: w / 2, oy: h / 2 };
}
function px(v, x, y) { return [v.ox + x * v.s, v.oy - y * v.s]; }

function clock(t) {
  if (t === null || t < 0) return "-";
  const m = Math.floor(t / 60);
  const s = t - 60 * m;
  return m + ":" + (s < 10 ? "0" : "") + s.toFixed(1);
}

function drawField(v) {
  const L = FIELD.length, W = FIELD.width, G = FIELD.goal_width;
  ctx.fillStyle = "#1e5c2b";
  ctx.fillRect(0, 0, v.w, v.h);
  const [x0, y0] = px(v, -L / 2, W / 2);
  const bands = Math.max(2, 2 * Math.round(L / 2));
  for (let i = 0; i < bands; ++i) {
    ctx.fillStyle = i % 2 ? "#2c8a3c" : "#309442";
    ctx.fillRect(x0 + i * L * v.s / bands, y0, L * v.s / bands + 0.5, W * v.s);
  }
  ctx.strokeStyle = "rgba(255,255,255,0.92)";
  ctx.fillStyle = "rgba(255,255,255,0.92)";
  ctx.lineWidth = Math.max(1.5, 0.05 * v.s);
  ctx.strokeRect(x0, y0, L * v.s, W * v.s);
  ctx.beginPath();
  ctx.moveTo(v.ox, y0);
  ctx.lineTo(v.ox, y0 + W * v.s);
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(v.ox, v.oy, (W / 10) * v.s, 0, 2 * Math.PI);
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(v.ox, v.oy, Math.max(2, 0.06 * v.s), 0, 2 * Math.PI);
)PAGE",
R"PAGE(  ctx.fill();
  // Goals behind the lines, framed in the colour of the team defending them.
  for (const side of ["left", "right"]) {
    const dir = side === "left" ? -1 : 1;
    const [gx, gy] = px(v, dir * L / 2, G / 2);
    const depth = 0.45 * v.s;
    const left = dir < 0 ? gx - depth : gx;
    ctx.fillStyle = "rgba(255,255,255,0.28)";
    ctx.fillRect(left, gy, depth, G * v.s);
    ctx.lineWidth = Math.max(2, 0.06 * v.s);
    ctx.strokeStyle = COLOURS[side];
    ctx.strokeRect(left, gy, depth, G * v.s);
    ctx.fillStyle = "#ffffff";
    for (const py of [gy, gy + G * v.s]) {
      ctx.beginPath();
      ctx.arc(gx, py, Math.max(3, 0.06 * v.s), 0, 2 * Math.PI);
      ctx.fill();
    }
  }
}

// Colour of the pixel at page position (x, y), as "r,g,b".
function pixel(x, y) {
  const dpr = window.devicePixelRatio || 1;
  const ix = Math.round(x * dpr), iy = Math.round(y * dpr);
  if (ix < 0 || iy < 0 || ix >= canvas.width || iy >= canvas.height) return "";
  const d = ctx.getImageData(ix, iy, 1, 1).data;
  return d[0] + "," + d[1] + "," + d[2];
}

function drawRobot(v, r, marks) {
  const x = num(r.x), y = num(r.y), yaw = num(r.yaw);
  if (x === null || y === null) return;
  const side = r.side === "right" ? "right" : "left";
  const [cx, cy] = px(v, x, y);
  const rad = Math.max(8, 0.17 * v.s);
  const upright = r.state === "upright";
  const a = (yaw === null ? 0 : yaw) * Math.PI / 180;
  // Heading: an arrow outside the body, so that the body shows the team colour.
  const tipX = cx + Math.cos(a) * 2.0 * rad, tipY = cy - Math.sin(a) * 2.0 * rad;
  ctx.beginPath();
  ctx.moveTo(tipX, tipY);
  for (const da of [0.5, -0.5]) {
    ctx.lineTo(cx + Math.cos(a + da) * 0.98 * rad, cy - Math.sin(a + da) * 0.98 * rad);
  }
  ctx.closePath();
  ctx.fillStyle = "#fff5c0";
  ctx.strokeStyle = "#202020";
  ctx.lineWidth = 1;
  ctx.fill();
  ctx.stroke();
  ctx.beginPath();
  ctx.arc(cx, cy, rad, 0, 2 * Math.PI);
  ctx.globalAlpha = upright ? 1 : 0.5;
  ctx.fillStyle = COLOURS[side];
  ctx.fill();
  ctx.globalAlpha = 1;
  ctx.lineWidth = Math.max(1.5, 0.1 * rad);
  ctx.strokeStyle = upright ? "#101010" : "#ffffff";
  ctx.setLineDash(upright ? [] : [3, 3]);
  ctx.stroke();
  ctx.setLineDash([]);
  const sample = pixel(cx, cy + 0.72 * rad);
  ctx.fillStyle = "#ffffff";
  ctx.font = "bold " + Math.round(1.05 * rad) + "px system-ui, 'DejaVu Sans', sans-serif";
  ctx.textAlign = "center";
  ctx.textBaseline = "middle";
  ctx.fillText(String(r.unum), cx, cy + 0.05 * rad);
  if (!upright) {
    ctx.font = Math.round(0.8 * rad) + "px system-ui, 'DejaVu Sans', sans-serif";
    ctx.fillText("on " + (r.state === "back" ? "back" : "front"), cx, cy + 1.6 * rad);
  }
  const m = document.createElement("i");
  m.className = "robot";
  m.dataset.side = side;
  m.dataset.unum = String(r.unum);
  m.dataset.team = String(r.team);
  m.dataset.state = String(r.state);
  m.dataset.x = cx.toFixed(2);
  m.dataset.y = cy.toFixed(2);
  m.dataset.tipX = tipX.toFixed(2);
  m.dataset.tipY = tipY.toFixed(2);
  m.dataset.rgb = sample;
  marks.push(m);
}

function drawBall(v, b, marks) {
  const x = b ? num(b.x) : null, y = b ? num(b.y) : null;
  if (x === null || y === null) return;
  const [cx, cy] = px(v, x, y);
  ctx.beginPath();
  ctx.arc(cx, cy, Math.max(5, 0.08 * v.s), 0, 2 * Math.PI);
  ctx.fillStyle = "#ff9a1f";
  ctx.fill();
  ctx.lineWidth = 1.5;
  ctx.strokeStyle = "#1a1a1a";
  ctx.stroke();
  const m = document.createElement("i");
  m.className = "ball";
  m.dataset.x = cx.toFixed(2);
  m.dataset.y = cy.toFixed(2);
  marks.push(m);
}

function draw() {
  drawPending = false;
  const dpr = window.devicePixelRatio || 1;
  const v = view();
  const bw = Math.max(1, Math.round(v.w * dpr)), bh = Math.max(1, Math.round(v.h * dpr));
)PAGE",
R"PAGE(  if (canvas.width !== bw || canvas.height !== bh) {
    canvas.width = bw;
    canvas.height = bh;
  }
  ctx.setTransform(dpr, 0, 0, dpr, 0, 0);
  drawField(v);
  const marks = [];
  const st = latest;
  if (st && Array.isArray(st.robots)) {
    for (const r of st.robots) {
      if (r && typeof r === "object" && (!HOOKS.shown || HOOKS.shown(r))) drawRobot(v, r, marks);
    }
  }
  if (st) drawBall(v, st.ball, marks);
  if (HOOKS.afterDraw) HOOKS.afterDraw(v, st, marks);
  const [fl, ft] = px(v, -FIELD.length / 2, FIELD.width / 2);
  const [fr, fb] = px(v, FIELD.length / 2, -FIELD.width / 2);
  record.dataset.cycle = st && num(st.cycle) !== null ? String(st.cycle) : "-1";
  record.dataset.events = String(received);
  record.dataset.source = source;
  record.dataset.fieldLeft = fl.toFixed(2);
  record.dataset.fieldTop = ft.toFixed(2);
  record.dataset.fieldRight = fr.toFixed(2);
  record.dataset.fieldBottom = fb.toFixed(2);
  record.replaceChildren(...marks);
}

function requestDraw() {
  if (drawPending) return;
  drawPending = true;
  requestAnimationFrame(draw);
}

function showBar(st) {
  for (const r of Array.isArray(st.robots) ? st.robots : []) {
    if (r && (r.side === "left" || r.side === "right") && typeof r.team === "string") {
      teamNames[r.side] = r.team;
    }
  }
  const score = st.score || {};
  const ls = num(score.left), rs = num(score.right);
  text("left-team", teamNames.left || "Left");
  text("right-team", teamNames.right || "Right");
  text("left-score", ls === null ? "-" : String(ls));
  text("right-score", rs === null ? "-" : String(rs));
  text("mode", typeof st.play_mode === "string" ? st.play_mode : "-");
  text("clock", clock(num(st.game_time)));
  const t = num(st.time);
  setStatus(HOOKS.status ? HOOKS.status(st) :
            (source === "events" ? "live" : "polling") + " \u00b7 cycle " + st.cycle +
            (t === null ? "" : " \u00b7 server time " + t.toFixed(2) + " s"));
  document.title = (teamNames.left || "Left") + " " + ls + ":" + rs + " " +
                   (teamNames.right || "Right") + " - fieldsim";
}

function handleState(textValue) {
  let st;
  try {
    st = JSON.parse(textValue);
  } catch (e) {
    return;
  }
  if (!st || typeof st !== "object") return;
  latest = st;
  ++received;
  showBar(st);
  requestDraw();
}

// Polling: for browsers without server-sent events, when the stream cannot be
// had, or when the page is opened with ?poll.
function poll() {
  source = "poll";
  fetch("state", { cache: "no-store" })
    .then(r => (r.ok ? r.text() : null))
    .then(t => {
      if (t) handleState(t);
      else setStatus("waiting for the first cycle");
    })
    .catch(() => setStatus("fieldsim is not answering; retrying"))
    .finally(() => setTimeout(poll, 100));
}

function listen() {
  source = "events";
  const es = new EventSource("events");
  es.onmessage = e => handleState(e.data);
  es.onerror = () => {
    if (es.readyState === EventSource.CLOSED) {
      es.close();
      poll();
    } else {
      setStatus("connection lost; reconnecting");
    }
  };
}

@SCRIPT@
window.addEventListener("resize", requestDraw);
requestDraw();
if (REPLAY) startReplay();
else if (window.EventSource && !params.has("poll")) listen();
else poll();
</script>
</body>
</html>
)PAGE",
};

// What a replay adds to the page: styles, the timeline and the players'
// panel under the field, and the script that loads the recording, plays it
// and draws what each player believed beside the truth.
const char* const kReplayStyle =
R"PAGE(#timeline { display: flex; align-items: center; gap: 8px; padding: 6px 14px 2px; background: #23292f; }
#timeline button, #timeline select { background: #3a4148; color: #e8e8e8; border: 1px solid #55606a;
  border-radius: 4px; font: inherit; padding: 2px 8px; }
#play { min-width: 64px; }
#track { flex: 1; position: relative; height: 34px; }
#seek { position: absolute; left: 0; right: 0; top: 0; width: 100%; margin: 0; }
#ticks { position: absolute; left: 8px; right: 8px; top: 20px; height: 12px; }
#ticks .tick { position: absolute; top: 0; width: 3px; min-width: 0; height: 12px; margin-left: -1px; padding: 0;
  border: 0; border-radius: 0; appearance: none; background: #9aa3ab; cursor: pointer; }
#ticks .tick.goal { background: #ffd34d; width: 5px; margin-left: -2px; }
#at { font-variant-numeric: tabular-nums; min-width: 150px; text-align: right; }
#lower { display: flex; gap: 10px; padding: 4px 14px 8px; background: #23292f; height: 172px; }
#players-wrap { overflow-y: auto; min-width: 430px; }
#players { border-collapse: collapse; font-size: 13px; font-variant-numeric: tabular-nums; }
#players th, #players td { padding: 1px 6px; text-align: left; white-space: nowrap; }
#players th { color: #9aa3ab; font-weight: 500; }
.swatch { display: inline-block; width: 10px; height: 10px; border-radius: 5px; margin-right: 5px; }
#plot-wrap { flex: 1; position: relative; min-width: 200px; }
#plot { position: absolute; left: 0; top: 0; width: 100%; height: 100%; cursor: crosshair; }
#notes { padding: 2px 14px 6px; background: #23292f; font-size: 12px; color: #ffcf7a; }
#notes ul { margin: 2px 0; padding-left: 18px; }
#keys { font-size: 12px; color: #9aa3ab; }
)PAGE";

const char* const kReplayHtml =
R"PAGE(<div id="timeline">
  <button id="play" title="Play or pause (space)">&#9654; play</button>
  <button id="back" title="One cycle back (&larr;; with shift one second)">&#9664;|</button>
  <button id="on" title="One cycle on (&rarr;; with shift one second)">|&#9654;</button>
  <select id="speed" title="Speed (- and +)">
    <option value="0.25">0.25&times;</option><option value="0.5">0.5&times;</option>
    <option value="1" selected>1&times;</option><option value="2">2&times;</option>
    <option value="4">4&times;</option><option value="8">8&times;</option>
  </select>
  <div id="track"><input id="seek" type="range" min="0" max="0" value="0" step="1"
    title="Drag to seek"><div id="ticks"></div></div>
  <span id="at">-</span>
  <select id="jump" title="Play-mode changes and goals (page up, page down)"></select>
</div>
<div id="lower">
  <div id="players-wrap"><table id="players"><thead><tr><th>show</th><th>player</th>
    <th><label title="All beliefs on or off"><input type="checkbox" id="all-beliefs" checked> belief</label></th>
    <th>position error</th><th>heading error</th><th>ball error</th></tr></thead><tbody></tbody></table>
    <div id="keys">space play/pause &middot; &larr; &rarr; one cycle &middot; shift one second &middot;
      page up/down previous/next mark &middot; - + speed</div></div>
  <div id="plot-wrap" title="Position error over the game: click to go there"><canvas id="plot"></canvas></div>
</div>
<details id="notes" hidden><summary></summary><ul></ul></details>
)PAGE";

const char* const kReplayScript[] = {
R"PAGE(// ---- replay: a recorded game, the truth from its log and each player's beliefs ----
const CHUNK = 250;  // frames fetched at once
const SPEEDS = [0.25, 0.5, 1, 2, 4, 8];
const replay = { total: 0, frame: 0, pos: 0, playing: false, speed: 1, lastTs: null, marks: [],
                 players: new Map(), beliefs: true, chunks: new Map(), plot: null };
const $ = id => document.getElementById(id);
function keyOf(r) { return (r.side === "right" ? "right" : "left") + " " + r.unum; }
function fixed(v, d, unit) { return v === null ? "-" : v.toFixed(d) + unit; }

HOOKS.shown = r => { const p = replay.players.get(keyOf(r)); return !p || p.show; };
HOOKS.status = st => "replay \u00b7 cycle " + st.cycle + " \u00b7 " + (replay.playing ? "playing" : "paused") +
  " at " + replay.speed + "\u00d7";
HOOKS.afterDraw = drawBeliefs;

// A ring in the player's colour where it believed it stood, a tick along the
// heading it believed, and a thin line to where it really was; a ring for
// the ball it believed, joined to the real ball.
function drawBeliefs(v, st, marks) {
  record.dataset.frame = String(replay.frame);
  record.dataset.time = st && num(st.time) !== null ? st.time.toFixed(3) : "";
  if (!st || !Array.isArray(st.robots) || !replay.beliefs) return;
  const rad = Math.max(8, 0.17 * v.s), ballRad = Math.max(5, 0.08 * v.s);
  const ball = st.ball || {};
  for (const r of st.robots) {
    const b = r && r.belief;
    const p = b ? replay.players.get(keyOf(r)) : null;
    if (!b || (p && (!p.show || !p.belief))) continue;
    const x = num(b.x), y = num(b.y);
    if (x === null || y === null) continue;
    const colour = p ? p.colour : COLOURS[r.side === "right" ? "right" : "left"];
    const [cx, cy] = px(v, x, y);
    if (num(r.x) !== null && num(r.y) !== null) joinLine(px(v, r.x, r.y), [cx, cy]);
    const a = (num(b.yaw) === null ? 0 : b.yaw) * Math.PI / 180;
    const tipX = cx + Math.cos(a) * 1.7 * rad, tipY = cy - Math.sin(a) * 1.7 * rad;
    for (const [w, c] of [[4.5, "#101010"], [2.2, colour]]) {
      ctx.lineWidth = w;
      ctx.strokeStyle = c;
      ctx.beginPath();
      ctx.arc(cx, cy, 0.8 * rad, 0, 2 * Math.PI);
      ctx.moveTo(cx + Math.cos(a) * 0.8 * rad, cy - Math.sin(a) * 0.8 * rad);
      ctx.lineTo(tipX, tipY);
      ctx.stroke();
    }
    label(String(r.unum), cx, cy, colour, Math.round(0.9 * rad));
    const m = mark("belief", r, cx, cy);
    m.dataset.tipX = tipX.toFixed(2);
    m.dataset.tipY = tipY.toFixed(2);
    marks.push(m);
    const bb = b.ball;
    if (!bb || num(bb.x) === null || num(bb.y) === null) continue;
    const [qx, qy] = px(v, bb.x, bb.y);
    if (num(ball.x) !== null && num(ball.y) !== null) joinLine(px(v, ball.x, ball.y), [qx, qy]);
    for (const [w, c] of [[4, "#101010"], [2, "#ff9a1f"]]) {
      ctx.lineWidth = w;
      ctx.strokeStyle = c;
      ctx.beginPath();
      ctx.arc(qx, qy, 1.2 * ballRad, 0, 2 * Math.PI);
      ctx.stroke();
    }
    label(String(r.unum), qx + 2.2 * ballRad, qy - 1.6 * ballRad, colour, Math.round(1.6 * ballRad));
    marks.push(mark("belief-ball", r, qx, qy));
  }
}
)PAGE",
R"PAGE(function joinLine([x0, y0], [x1, y1]) {
  ctx.lineWidth = 1.2;
  ctx.strokeStyle = "rgba(255,255,255,0.9)";
  ctx.setLineDash([4, 3]);
  ctx.beginPath();
  ctx.moveTo(x0, y0);
  ctx.lineTo(x1, y1);
  ctx.stroke();
  ctx.setLineDash([]);
}
function label(t, x, y, colour, size) {
  ctx.font = "bold " + size + "px system-ui, 'DejaVu Sans', sans-serif";
  ctx.textAlign = "center";
  ctx.textBaseline = "middle";
  ctx.lineWidth = 3;
  ctx.strokeStyle = "#101010";
  ctx.strokeText(t, x, y);
  ctx.fillStyle = colour;
  ctx.fillText(t, x, y);
}
function mark(kind, r, x, y) {
  const m = document.createElement("i");
  m.className = kind;
  m.dataset.side = r.side === "right" ? "right" : "left";
  m.dataset.unum = String(r.unum);
  m.dataset.x = x.toFixed(2);
  m.dataset.y = y.toFixed(2);
  return m;
}

// Frames come in batches; the ones near the playing position are kept.
function chunkOf(f) { return Math.floor(f / CHUNK); }
function stateAt(f) {
  const c = replay.chunks.get(chunkOf(f));
  return c ? c[f - chunkOf(f) * CHUNK] || null : null;
}
function need(c) {
  if (c < 0 || c * CHUNK >= replay.total || replay.chunks.has(c)) return;
  replay.chunks.set(c, null);
  fetch("replay/states?from=" + c * CHUNK + "&count=" + CHUNK, { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(j => {
      replay.chunks.set(c, Array.isArray(j.states) ? j.states : []);
      for (const k of [...replay.chunks.keys()]) {
        if (Math.abs(k - chunkOf(replay.frame)) > 20) replay.chunks.delete(k);
      }
      if (chunkOf(replay.frame) === c) show();
    })
    .catch(() => {
      replay.chunks.delete(c);
      setStatus("fieldsim is not answering; retrying");
      setTimeout(() => need(c), 1000);
    });
}

function show() {
  const st = stateAt(replay.frame);
  need(chunkOf(replay.frame));
  if (replay.frame % CHUNK > CHUNK / 2) need(chunkOf(replay.frame) + 1);
  if (!st) return;
  latest = st;
  ++received;
  showBar(st);
  showPlayers(st);
  $("at").textContent = "cycle " + st.cycle + " \u00b7 " + fixed(num(st.time), 2, " s");
  requestDraw();
  drawPlot();
}
)PAGE",
R"PAGE(function setFrame(f) {
  replay.frame = Math.max(0, Math.min(replay.total - 1, Math.round(f)));
  replay.pos = replay.frame;
  $("seek").value = String(replay.frame);
  show();
}
function play(on) {
  replay.playing = on && replay.total > 1;
  if (replay.playing && replay.frame >= replay.total - 1) setFrame(0);
  $("play").innerHTML = replay.playing ? "&#10074;&#10074; pause" : "&#9654; play";
  replay.lastTs = null;
  if (replay.playing) requestAnimationFrame(tick);
  if (latest) showBar(latest);
}
function setSpeed(s) {
  replay.speed = SPEEDS.includes(s) ? s : 1;
  $("speed").value = String(replay.speed);
  if (latest) showBar(latest);
}
// One cycle of the recording is 20 ms of server time, played `speed` times as fast.
function tick(ts) {
  if (!replay.playing) return;
  if (replay.lastTs !== null) {
    const next = Math.min(replay.total - 1, replay.pos + (ts - replay.lastTs) / 20 * replay.speed);
    const f = Math.floor(next);
    if (stateAt(f)) {
      replay.pos = next;
      replay.frame = f;
      $("seek").value = String(f);
      show();
    } else {
      need(chunkOf(f));  // held until the frames are there
    }
    if (f >= replay.total - 1) play(false);
  }
  replay.lastTs = ts;
  if (replay.playing) requestAnimationFrame(tick);
}
function step(n) {
  play(false);
  setFrame(replay.frame + n);
}
function jumpMark(dir) {
  const ms = replay.marks;
  const m = dir > 0 ? ms.find(x => x.frame > replay.frame) : [...ms].reverse().find(x => x.frame < replay.frame);
  if (m) setFrame(m.frame);
}
function seekTime(t) {
  return fetch("state?t=" + encodeURIComponent(t), { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(st => setFrame(num(st.frame) === null ? 0 : st.frame));
}

window.addEventListener("keydown", e => {
  const t = e.target;
  if (t && (t.tagName === "SELECT" || (t.tagName === "INPUT" && t.type !== "range" && t.type !== "checkbox"))) return;
  const big = e.shiftKey ? 50 : 1;
  const actions = {
    " ": () => play(!replay.playing), k: () => play(!replay.playing),
    ArrowRight: () => step(big), ArrowLeft: () => step(-big), ".": () => step(1), ",": () => step(-1),
    PageDown: () => jumpMark(1), PageUp: () => jumpMark(-1), "]": () => jumpMark(1), "[": () => jumpMark(-1),
    Home: () => step(-replay.total), End: () => step(replay.total),
    "+": () => setSpeed(SPEEDS[Math.min(SPEEDS.length - 1, SPEEDS.indexOf(replay.speed) + 1)]),
    "-": () => setSpeed(SPEEDS[Math.max(0, SPEEDS.indexOf(replay.speed) - 1)]),
  };
  const act = actions[e.key];
  if (!act || e.ctrlKey || e.metaKey || e.altKey) return;
  e.preventDefault();
  act();
}, true);
)PAGE",
R"PAGE(// The players' table: whom to show, whose beliefs, and their errors now.
function showPlayers(st) {
  const seen = new Set();
  for (const r of Array.isArray(st.robots) ? st.robots : []) {
    const p = r && replay.players.get(keyOf(r));
    if (!p) continue;
    seen.add(p);
    const b = r.belief;
    const he = b ? num(b.heading_error) : null;
    p.cells[0].textContent = b ? fixed(num(b.position_error), 2, " m") : "-";
    p.cells[1].textContent = he === null ? "-" : Math.abs(he).toFixed(1) + "\u00b0";
    p.cells[2].textContent = b ? fixed(num(b.ball_error), 2, " m") : "-";
    p.row.dataset.positionError = b && num(b.position_error) !== null ? b.position_error.toFixed(3) : "";
  }
  for (const p of replay.players.values()) {
    if (seen.has(p)) continue;
    for (const c of p.cells) c.textContent = "-";
    p.row.dataset.positionError = "";
  }
}
function checkbox(on, disabled, change) {
  const c = document.createElement("input");
  c.type = "checkbox";
  c.checked = on;
  c.disabled = disabled;
  c.addEventListener("change", () => { change(c.checked); replay.plot = null; requestDraw(); drawPlot(); });
  return c;
}
function setupPlayers(list) {
  const body = $("players").tBodies[0];
  const perSide = { left: 0, right: 0 };
  for (const q of Array.isArray(list) ? list : []) {
    const side = q.side === "right" ? "right" : "left";
    const k = perSide[side]++;
    const p = { show: true, belief: !!q.beliefs, error: Array.isArray(q.error) ? q.error : [],
                colour: "hsl(" + (side === "left" ? 218 - 14 * (k % 3) : 6 + 14 * (k % 3)) + ",85%," +
                        (62 - 9 * (Math.floor(k / 3) % 3)) + "%)" };
    const row = body.insertRow();
    row.dataset.key = side + " " + q.unum;
    row.insertCell().append(checkbox(true, false, on => { p.show = on; }));
    const name = row.insertCell();
    const sw = document.createElement("span");
    sw.className = "swatch";
    sw.style.background = p.colour;
    name.append(sw, String(q.team) + " " + q.unum + " (" + side + ")");
    const bc = checkbox(p.belief, !q.beliefs, on => { p.belief = on; });
    bc.className = "belief-switch";
    bc.title = q.beliefs ? String(q.file) : "no beliefs recorded";
    row.insertCell().append(bc);
    p.cells = [row.insertCell(), row.insertCell(), row.insertCell()];
    p.row = row;
    replay.players.set(row.dataset.key, p);
  }
  $("all-beliefs").addEventListener("change", e => {
    replay.beliefs = e.target.checked;
    replay.plot = null;
    requestDraw();
    drawPlot();
  });
}
)PAGE",
R"PAGE(// Each player's position error over the whole game; the current cycle as a line.
function drawPlot() {
  const c = $("plot");
  const dpr = window.devicePixelRatio || 1;
  const w = c.clientWidth, h = c.clientHeight;
  if (w < 10 || h < 10 || replay.total < 1) return;
  const pad = { l: 34, r: 6, t: 14, b: 14 };
  if (!replay.plot || replay.plot.w !== w || replay.plot.h !== h) {
    const img = document.createElement("canvas");
    img.width = Math.round(w * dpr);
    img.height = Math.round(h * dpr);
    const g = img.getContext("2d");
    g.setTransform(dpr, 0, 0, dpr, 0, 0);
    g.fillStyle = "#1b2025";
    g.fillRect(0, 0, w, h);
    const shown = [...replay.players.values()].filter(p => p.show && p.belief && replay.beliefs && p.error.length);
    let top = 0;
    for (const p of shown) for (const e of p.error) top = Math.max(top, num(e[1]) || 0);
    if (top <= 0) top = 1;
    const decade = Math.pow(10, Math.floor(Math.log10(top)));
    top = [1, 2, 5, 10].map(m => m * decade).find(v => v >= top - 1e-9);
    const fx = f => pad.l + f / Math.max(1, replay.total - 1) * (w - pad.l - pad.r);
    const fy = v => h - pad.b - Math.min(v, top) / top * (h - pad.t - pad.b);
    g.strokeStyle = "#55606a";
    g.lineWidth = 1;
    g.strokeRect(pad.l, pad.t, w - pad.l - pad.r, h - pad.t - pad.b);
    g.fillStyle = "#9aa3ab";
    g.font = "11px system-ui, 'DejaVu Sans', sans-serif";
    g.textBaseline = "middle";
    g.textAlign = "right";
    g.fillText(top.toFixed(top < 1 ? 2 : 1), pad.l - 3, pad.t);
    g.fillText("0", pad.l - 3, h - pad.b);
    g.textAlign = "left";
    g.fillText(shown.length ? "position error, m" : "no beliefs shown", pad.l + 4, 6);
    for (const p of shown) {
      g.strokeStyle = p.colour;
      g.lineWidth = 1.4;
      g.beginPath();
      let prev = -2;
      for (const [f, v] of p.error) {
        if (f - prev > 1.5 * Math.max(1, replay.total / 1500)) g.moveTo(fx(f), fy(v));
        else g.lineTo(fx(f), fy(v));
        prev = f;
      }
      g.stroke();
    }
    replay.plot = { w, h, img, fx };
    c.dataset.lines = String(shown.length);
    c.dataset.top = top.toFixed(3);
  }
  if (c.width !== replay.plot.img.width || c.height !== replay.plot.img.height) {
    c.width = replay.plot.img.width;
    c.height = replay.plot.img.height;
  }
  const g = c.getContext("2d");
  g.setTransform(1, 0, 0, 1, 0, 0);
  g.drawImage(replay.plot.img, 0, 0);
  g.setTransform(dpr, 0, 0, dpr, 0, 0);
  const x = replay.plot.fx(replay.frame);
  g.strokeStyle = "#ffffff";
  g.beginPath();
  g.moveTo(x, pad.t);
  g.lineTo(x, h - pad.b);
  g.stroke();
}
)PAGE",
R"PAGE(function setupTimeline(ix) {
  replay.total = Math.max(0, Math.floor(num(ix.frames) || 0));
  $("seek").max = String(Math.max(0, replay.total - 1));
  replay.marks = Array.isArray(ix.marks) ? ix.marks.filter(m => num(m.frame) !== null) : [];
  const ticks = $("ticks"), jump = $("jump");
  jump.add(new Option("play modes and goals\u2026", ""));
  for (const m of replay.marks) {
    const at = fixed(num(m.time), 2, " s") + " \u00b7 " + String(m.label);
    const t = document.createElement("button");
    t.className = "tick " + (m.kind === "goal" ? "goal" : "mode");
    t.style.left = (100 * m.frame / Math.max(1, replay.total - 1)).toFixed(3) + "%";
    t.title = at;
    t.addEventListener("click", () => setFrame(m.frame));
    ticks.append(t);
    jump.add(new Option(at, String(m.frame)));
  }
  jump.addEventListener("change", () => {
    if (jump.value !== "") setFrame(Number(jump.value));
    jump.value = "";
    jump.blur();
  });
  $("seek").addEventListener("input", e => setFrame(Number(e.target.value)));
  $("play").addEventListener("click", () => play(!replay.playing));
  $("back").addEventListener("click", () => step(-1));
  $("on").addEventListener("click", () => step(1));
  $("speed").addEventListener("change", e => setSpeed(Number(e.target.value)));
  $("plot").addEventListener("click", e => {
    if (!replay.plot) return;
    const r = e.target.getBoundingClientRect();
    const inner = replay.plot.w - 40;
    setFrame((e.clientX - r.left - 34) / Math.max(1, inner) * (replay.total - 1));
  });
  window.addEventListener("resize", drawPlot);
  const notes = Array.isArray(ix.notes) ? ix.notes : [];
  if (notes.length) {
    const box = $("notes");
    box.hidden = false;
    box.querySelector("summary").textContent = notes.length + (notes.length === 1 ? " note" : " notes") +
      " from loading: what was skipped";
    for (const n of notes) box.querySelector("ul").append(Object.assign(document.createElement("li"), { textContent: String(n) }));
  }
}
function startReplay() {
  source = "replay";
  setStatus("loading the recording");
  fetch("replay/index", { cache: "no-store" })
    .then(r => (r.ok ? r.json() : Promise.reject(new Error("HTTP " + r.status))))
    .then(ix => {
      setupPlayers(ix.players);
      setupTimeline(ix);
      setSpeed(Number(params.get("speed")) || 1);
      const t = params.get("t");
      return t !== null && isFinite(Number(t)) ? seekTime(Number(t)) : setFrame(0);
    })
    .then(() => { if (params.has("play")) play(true); })
    .catch(e => setStatus("cannot load the recording: " + e.message));
}
)PAGE",
};

std::string metres(double value, double fallback) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", std::isfinite(value) && value > 0.0 ? value : fallback);
    return buf;
}

void replaceOnce(std::string& text, const std::string& placeholder, const std::string& with) {
    const size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), with);
}

std::string page(const MonitorField& field, bool replay) {
    std::string out;
    for (const char* piece : kPage) out += piece;
    const MonitorField fallback;
    const std::string measures = "{\"length\":" + metres(field.length, fallback.length) +
                                 ",\"width\":" + metres(field.width, fallback.width) +
                                 ",\"goal_width\":" + metres(field.goalWidth, fallback.goalWidth) + "}";
    std::string script;
    if (replay) {
        for (const char* piece : kReplayScript) script += piece;
    }
    // The script last: it is the only part that could hold a placeholder's name.
    replaceOnce(out, "@STYLE@", replay ? kReplayStyle : "");
    replaceOnce(out, "@HTML@", replay ? kReplayHtml : "");
    replaceOnce(out, "@FIELD@", measures);
    replaceOnce(out, "@REPLAY@", replay ? "true" : "false");
    replaceOnce(out, "@SCRIPT@", script);
    return out;
}

}  // namespace

std::string MonitorPage::html(const MonitorField& field) { return page(field, false); }

std::string MonitorPage::replayHtml(const MonitorField& field) { return page(field, true); }
