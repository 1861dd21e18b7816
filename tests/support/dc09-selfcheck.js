#!/usr/bin/env node
// Checks tests/support/dc09-receiver.js and the receiver behind it without the panel: builds
// frames itself, sends them over loopback and compares the answers with what the forwarder's
// tests rely on. Run by hand: node tests/support/dc09-selfcheck.js [--dir DIR] [--verbose]
// (--verbose prints every frame sent and received). Exits 1 on the first unexpected answer.
"use strict";

const { spawn } = require("child_process");
const crypto = require("crypto");
const dgram = require("dgram");
const net = require("net");
const path = require("path");
const readline = require("readline");

const args = process.argv.slice(2);
const verbose = args.includes("--verbose");
const dirAt = args.indexOf("--dir");
const dir = dirAt >= 0 ? args[dirAt + 1] : process.env.ZELVAN_DC09_RECEIVER_DIR || "";

const KEYS = {
  "16": "0123456789ABCDEF",
  "24": "0123456789ABCDEF01234567",
  "32": "0123456789ABCDEF0123456789ABCDEF",
  "h16": "00112233445566778899AABBCCDDEEFF",
  "h24": "00112233445566778899AABBCCDDEEFF0011223344556677",
  "h32": "00112233445566778899AABBCCDDEEFF00112233445566778899AABBCCDDEEFF",
};
const ACCOUNTS = [
  { account: "1234" },
  { account: "A16", key: KEYS["16"] },
  { account: "A24", key: KEYS["24"] },
  { account: "A32", key: KEYS["32"] },
  { account: "B16", key: KEYS.h16, hex: true },
  { account: "B24", key: KEYS.h24, hex: true },
  { account: "B32", key: KEYS.h32, hex: true },
];
const keyOf = (acct) => {
  const a = ACCOUNTS.find((x) => x.account === acct);
  return a && a.key ? Buffer.from(a.key, a.hex ? "hex" : "latin1") : null;
};

function crc16arc(buf) {
  let crc = 0;
  for (const b of buf) {
    crc ^= b;
    for (let i = 0; i < 8; i++) crc = crc & 1 ? (crc >>> 1) ^ 0xa001 : crc >>> 1;
  }
  return crc;
}
const hex4 = (n) => n.toString(16).toUpperCase().padStart(4, "0");

function stamp(offsetSeconds = 0) {
  const d = new Date(Date.now() + offsetSeconds * 1000);
  const p = (n) => String(n).padStart(2, "0");
  return `_${p(d.getUTCHours())}:${p(d.getUTCMinutes())}:${p(d.getUTCSeconds())},` +
    `${p(d.getUTCMonth() + 1)}-${p(d.getUTCDate())}-${d.getUTCFullYear()}`;
}

function frame(body, { crc, len } = {}) {
  const b = Buffer.from(body, "latin1");
  const crcText = crc !== undefined ? crc : hex4(crc16arc(b));
  const lenText = len !== undefined ? len : "0" + b.length.toString(16).toUpperCase().padStart(3, "0");
  return Buffer.concat([Buffer.from("\n" + crcText + lenText, "latin1"), b, Buffer.from("\r")]);
}

function aesCbc(key, data, decrypt) {
  const algo = `aes-${key.length * 8}-cbc`;
  const c = (decrypt ? crypto.createDecipheriv : crypto.createCipheriv)(algo, key, Buffer.alloc(16));
  c.setAutoPadding(false);
  return Buffer.concat([c.update(data), c.final()]);
}

// "pad|" + the data block without its "[" + the timestamp, padded to whole AES blocks.
function encryptedBody(token, head, acct, inner, ts, padByte) {
  const tail = Buffer.from(`|${inner}${ts}`, "latin1");
  const padLen = (16 - (tail.length % 16)) % 16;
  const pad = Buffer.alloc(padLen);
  for (let i = 0; i < padLen; i++) pad[i] = padByte !== undefined ? padByte : 0x21 + crypto.randomInt(0x5b);
  const cipher = aesCbc(keyOf(acct), Buffer.concat([pad, tail])).toString("hex").toUpperCase();
  return `"*${token}"${head}#${acct}[${cipher}`;
}

// Cases: name, protocol, a function making the frame or frames (called just before sending,
// so that the timestamp is of that moment), expected answer token ("" for an empty frame).
function cases() {
  const ts = () => stamp();
  const plain = (body) => () => frame(body + stamp());
  const mid = '"SIA-DCS"0011R1L1#1234[#1234|Nri1/BA1]';
  const list = [
    ["SIA-DCS ri/code+zone", "tcp", plain('"SIA-DCS"0001R1L1#1234[#1234|Nri1/BA1]'), "ACK"],
    ["SIA-DCS ti/id/code+zone", "tcp", plain('"SIA-DCS"0002R1L1#1234[#1234|Nti12:00:00/id7/ri1/BA001]'), "ACK"],
    ["SIA-DCS two events", "tcp", plain('"SIA-DCS"0003R1L1#1234[#1234|Nri1/BA1/ri2/BR2]'), "ACK"],
    ["SIA-DCS with extended data", "tcp", plain('"SIA-DCS"0004R1L1#1234[#1234|Nri1/BA1][Xtext]'), "ACK"],
    ["SIA-DCS no R", "tcp", plain('"SIA-DCS"0005L1#1234[#1234|Nri1/BA1]'), "ACK"],
    ["SIA-DCS long prefixes", "tcp", plain('"SIA-DCS"0006R12AB3FL0000A1#1234[#1234|Nri1/BA1]'), "ACK"],
    ["SIA-DCS no L", "tcp", plain('"SIA-DCS"0007R1#1234[#1234|Nri1/BA1]'), "NAK"],
    ["SIA-DCS L0 empty R", "tcp", plain('"SIA-DCS"0008RL0#1234[#1234|Nri1/BA1]'), "ACK"],
    ["ADM-CID", "tcp", plain('"ADM-CID"0009R1L1#1234[#1234|1130 01 001]'), "ACK"],
    ["ADM-CID restore", "tcp", plain('"ADM-CID"0010R1L1#1234[#1234|3401 02 015]'), "ACK"],
    ["lowercase crc", "tcp", () => {
      const b = mid + ts();
      return frame(b, { crc: hex4(crc16arc(Buffer.from(b))).toLowerCase() });
    }, "ACK"],
    ["no timestamp", "tcp", () => frame('"SIA-DCS"0012R1L1#1234[#1234|Nri1/BA1]'), "ACK"],
    ["bad crc", "tcp", () => frame('"SIA-DCS"0013R1L1#1234[#1234|Nri1/BA1]' + ts(), { crc: "0000" }), "NAK"],
    ["bad length", "tcp", () => frame('"SIA-DCS"0014R1L1#1234[#1234|Nri1/BA1]' + ts(), { len: "0001" }), "NAK"],
    ["timestamp 9 s old", "tcp", () => frame('"SIA-DCS"0015R1L1#1234[#1234|Nri1/BA1]' + stamp(-9)), "ACK"],
    ["timestamp 9 s ahead", "tcp", () => frame('"SIA-DCS"0015R1L1#1234[#1234|Nri1/BA1]' + stamp(9)), "ACK"],
    ["timestamp 15 s old", "tcp", () => frame('"SIA-DCS"0016R1L1#1234[#1234|Nri1/BA1]' + stamp(-15)), "NAK"],
    ["timestamp 15 s ahead", "tcp", () => frame('"SIA-DCS"0017R1L1#1234[#1234|Nri1/BA1]' + stamp(15)), "NAK"],
    ["unknown account", "tcp", plain('"SIA-DCS"0018R1L1#9999[#9999|Nri1/BA1]'), "NAK"],
    ["NULL empty", "tcp", plain('"NULL"0019R1L1#1234[]'), "NAK"],
    ["NULL non-empty", "tcp", plain('"NULL"0020R1L1#1234[#1234]'), ""],
    ["unknown token", "tcp", plain('"FOO"0021R1L1#1234[#1234|Nri1/BA1]'), ""],
    ["plain to key account", "tcp", plain('"SIA-DCS"0022R1L1#A16[#A16|Nri1/BA1]'), "NAK"],
    ["two frames one write", "tcp", () => Buffer.concat([plain('"SIA-DCS"0023R1L1#1234[#1234|Nri1/BA1]')(),
      plain('"SIA-DCS"0024R1L1#1234[#1234|Nri2/BA2]')()]), "NAK"],
    ["open connection", "tcp-seq", () => [plain('"SIA-DCS"0025R1L1#1234[#1234|Nri1/BA1]')(),
      plain('"SIA-DCS"0026R1L1#1234[#1234|Nri1/BR1]')()], "ACK"],
    ["UDP SIA-DCS", "udp", plain('"SIA-DCS"0027R1L1#1234[#1234|Nri1/BA1]'), "ACK"],
    ["UDP NULL empty", "udp", plain('"NULL"0028R1L1#1234[]'), "NAK"],
  ];
  let seq = 30;
  for (const acct of ["A16", "A24", "A32", "B16", "B24", "B32"]) {
    for (const [token, data] of [["SIA-DCS", "#ACCT|Nri1/BA1]"], ["ADM-CID", "#ACCT|1130 01 001]"]]) {
      const inner = data.replace("ACCT", acct);
      const head = `00${seq++}R1L1`;
      list.push([`*${token} ${acct}`, "tcp", () => frame(encryptedBody(token, head, acct, inner, ts())), "ACK"]);
    }
  }
  const enc = (head, inner, when, padByte) => () =>
    frame(encryptedBody("SIA-DCS", head, "A16", inner, when(), padByte));
  list.push(["*SIA-DCS zero pad", "tcp", enc("0050R1L1", "#A16|Nri1/BA1]", ts, 0), "ACK"]);
  list.push(["*SIA-DCS data without account", "tcp", enc("0051R1L1", "Nri1/BA1]", ts), "ACK"]);
  list.push(["*SIA-DCS stale timestamp", "tcp", enc("0052R1L1", "#A16|Nri1/BA1]", () => stamp(-30)), "NAK"]);
  list.push(["*SIA-DCS timestamp outside", "tcp", () => {
    const body = encryptedBody("SIA-DCS", "0053R1L1", "A16", "#A16|Nri1/BA1]", "") + stamp(-30);
    return frame(body);
  }, "ACK"]);
  list.push(["*SIA-DCS to plain account", "tcp", () =>
    frame(encryptedBody("SIA-DCS", "0054R1L1", "A16", "#A16|Nri1/BA1]", ts()).replace("#A16[", "#1234[")), "NAK"]);
  list.push(["*NULL", "tcp", () => frame(encryptedBody("NULL", "0055R1L1", "A16", "]", ts())), "NAK"]);
  return list;
}

function startHarness(protocol) {
  const argv = [path.join(__dirname, "dc09-receiver.js"), "--protocol", protocol, "--accounts", JSON.stringify(ACCOUNTS)];
  if (dir) argv.push("--dir", dir);
  const child = spawn(process.execPath, argv, { stdio: ["pipe", "pipe", "inherit"] });
  const lines = readline.createInterface({ input: child.stdout });
  const queue = [];
  let waiter = null;
  lines.on("line", (l) => {
    if (waiter) { const w = waiter; waiter = null; w(l); } else queue.push(l);
  });
  const next = () => new Promise((resolve, reject) => {
    if (queue.length) return resolve(queue.shift());
    const t = setTimeout(() => reject(new Error("harness printed nothing")), 5000);
    waiter = (l) => { clearTimeout(t); resolve(l); };
  });
  return { child, next };
}

// Sends the frames on one connection, each after the answer to the one before; resolves
// with all bytes received until the receiver had answered each (or closed).
function sendTcp(port, frames) {
  return new Promise((resolve, reject) => {
    const sock = net.connect(port, "127.0.0.1");
    let got = Buffer.alloc(0);
    let i = 0;
    const t = setTimeout(() => { sock.destroy(); resolve(got); }, 3000);
    sock.on("connect", () => sock.write(frames[i++]));
    sock.on("data", (d) => {
      got = Buffer.concat([got, d]);
      const answered = got.toString("latin1").split("\r").length - 1;
      if (answered >= i && i < frames.length) sock.write(frames[i++]);
      else if (answered >= frames.length) { clearTimeout(t); sock.destroy(); resolve(got); }
    });
    sock.on("end", () => { clearTimeout(t); sock.destroy(); resolve(got); });
    sock.on("error", reject);
  });
}

function sendUdp(port, buf) {
  return new Promise((resolve) => {
    const s = dgram.createSocket("udp4");
    s.on("message", (m) => { s.close(); resolve(m); });
    s.send(buf, port, "127.0.0.1");
  });
}

function checkAnswer(name, answer, request) {
  const text = answer.toString("latin1");
  const m = /^\n([0-9A-F]{4})([0-9A-F]{4})("[^\r]*)\r/.exec(text);
  if (!m) return;
  const body = Buffer.from(m[3], "latin1");
  if (hex4(crc16arc(body)) !== m[1] || parseInt(m[2], 16) !== body.length) {
    throw new Error(`${name}: answer CRC or length wrong: ${JSON.stringify(text)}`);
  }
  const enc = /^"\*ACK"\d{4}[^#]*#(\w+)\[([0-9a-fA-F]+)$/.exec(m[3]);
  if (enc) {
    const plain = aesCbc(keyOf(enc[1]), Buffer.from(enc[2], "hex"), true);
    if (verbose) console.log(`    answer plaintext ${JSON.stringify(plain.toString("latin1"))}`);
  }
  void request;
}

async function main() {
  let failures = 0;
  const harness = { tcp: startHarness("tcp"), udp: startHarness("udp") };
  const port = {};
  for (const p of ["tcp", "udp"]) {
    const first = await harness[p].next();
    const m = /^listening (\d+)$/.exec(first);
    if (!m) throw new Error(`harness (${p}) said ${first}`);
    port[p] = Number(m[1]);
  }
  const all = cases();
  for (const [name, kind, frames, expected] of all) {
    const proto = kind === "udp" ? "udp" : "tcp";
    const made = frames();
    const list = Array.isArray(made) ? made : [made];
    const answer = proto === "udp" ? await sendUdp(port.udp, list[0]) : await sendTcp(port.tcp, list);
    const reports = [];
    while (reports.length < (kind === "tcp-seq" ? list.length : 1)) {
      const r = JSON.parse(await harness[proto].next());
      if ("answer" in r) reports.push(r);
      else console.log(`     receiver error: ${r.error}`);
    }
    checkAnswer(name, answer, list[0]);
    const ok = reports.every((r) => r.answer === expected);
    if (!ok) failures++;
    console.log(`${ok ? "ok  " : "FAIL"} ${name}: answered ${reports.map((r) => JSON.stringify(r.answer)).join(",")}` +
      (reports[0].error ? ` (${reports[0].error})` : "") +
      (reports[0].code ? ` code ${reports[0].code} zone ${reports[0].zone}` : ""));
    if (verbose) {
      for (const f of list) console.log(`    sent   ${JSON.stringify(f.toString("latin1"))}`);
      console.log(`    got    ${JSON.stringify(answer.toString("latin1"))}`);
      for (const r of reports) console.log(`    report ${JSON.stringify(r)}`);
    }
  }
  harness.tcp.child.stdin.end();
  harness.udp.child.kill("SIGTERM");
  console.log(`${all.length - failures} passed, ${failures} failed`);
  process.exit(failures ? 1 : 0);
}

main().catch((err) => {
  console.error(err.message);
  process.exit(1);
});
