#!/usr/bin/env node
// Runs the receiver class of iobroker.sia (installed by scripts/ensure-dc09-receiver.sh) on
// loopback for the forwarder's tests, and reports on stdout, one JSON object a line, every
// message it handled and how it answered.
//
//   node tests/support/dc09-receiver.js [--dir DIR] [--host 127.0.0.1] [--port 0]
//        [--protocol tcp|udp] [--accounts JSON] [--timeout S] [--sockend] [--verbose]
//
// --accounts is a JSON list of {account, key?, hex?}: key is the AES key as text (16, 24 or
// 32 characters) or, with hex true, as 32, 48 or 64 hex digits; no key means plain messages
// only. The receiver takes one kind per account: an account with a key refuses plain
// messages and one without refuses encrypted ones. Default: [{"account":"1234"}].
// --timeout is the receiver's allowed distance in seconds between a message's timestamp and
// its own clock (0: not checked); left out, the receiver's own default (10) applies.
// --sockend makes it close a TCP connection after each answer; without it the connection
// stays open, until 30 s after the first message on it: each message starts its own 30 s
// timer, none is put back by later ones.
//
// First line, plain text: "listening PORT". Then one line per message:
//   {token, sequence, receiver, line, account, data, extended, timestamp, code, zone, ...,
//    answer, answer_raw, raw, decoded, error?}
// token ("*SIA-DCS" when encrypted; encrypted says so too), sequence, receiver, line,
// account, data, extended and timestamp are the receiver's own fields; code, zone, group,
// modifiers and events are read here from its data field (the receiver itself does not
// look inside the data block). answer is "ACK", "NAK", "DUH" or "" (an empty frame),
// answer_raw the bytes it sent (latin1), raw the bytes it got (latin1). A refused message
// carries the receiver's reason in error and none of the fields read from it (only raw);
// over TCP the receiver sends its NAK twice and closes the connection. Errors outside a
// message are lines {"error": "..."}. Ends on SIGTERM, SIGINT or end of stdin.
"use strict";

const path = require("path");
const fs = require("fs");

function parseArgs(argv) {
  const opts = {
    dir: process.env.ZELVAN_DC09_RECEIVER_DIR || "",
    host: "127.0.0.1",
    port: 0,
    protocol: "tcp",
    accounts: '[{"account":"1234"}]',
    timeout: undefined,
    sockend: false,
    verbose: false,
  };
  for (let i = 2; i < argv.length; i++) {
    const a = argv[i];
    const value = () => {
      if (i + 1 >= argv.length) throw new Error(`${a} needs a value`);
      return argv[++i];
    };
    switch (a) {
      case "--dir": opts.dir = value(); break;
      case "--host": opts.host = value(); break;
      case "--port": opts.port = Number(value()); break;
      case "--protocol": opts.protocol = value(); break;
      case "--accounts": opts.accounts = value(); break;
      case "--timeout": opts.timeout = Number(value()); break;
      case "--sockend": opts.sockend = true; break;
      case "--verbose": opts.verbose = true; break;
      default: throw new Error(`unknown argument ${a}`);
    }
  }
  if (!opts.dir) {
    opts.dir = path.join(process.env.HOME || "", ".cache/zelvan/iobroker.sia-2.0.4");
  }
  if (opts.protocol !== "tcp" && opts.protocol !== "udp") {
    throw new Error(`--protocol must be tcp or udp, not ${opts.protocol}`);
  }
  return opts;
}

function receiverModule(dir) {
  for (const rel of ["package/build/lib/sia.js", "build/lib/sia.js"]) {
    const file = path.join(dir, rel);
    if (fs.existsSync(file)) return require(file);
  }
  throw new Error(`no receiver under ${dir}: run scripts/ensure-dc09-receiver.sh`);
}

// The receiver's account entries: {accountnumber, aes, hex, password}.
function receiverAccounts(json) {
  return JSON.parse(json).map((a) => {
    if (a.accountnumber !== undefined) return a;
    const key = a.key === undefined || a.key === null || a.key === "" ? "" : String(a.key);
    return { accountnumber: String(a.account), aes: key !== "", hex: a.hex === true, password: key };
  });
}

const CID_QUALIFIERS = { 1: "E", 3: "R", 6: "P" };

// Reads the events out of the receiver's data field, which is the data block without its
// brackets: "#acct|Nri1/BA1" or "#acct|1130 01 001".
function readData(token, data) {
  const out = { code: "", zone: "", events: [] };
  const bar = data.indexOf("|");
  const body = data.startsWith("#") && bar >= 0 ? data.slice(bar + 1) : data;
  if (token.endsWith("ADM-CID")) {
    const m = /^([0-9A-F])([0-9A-F]{3}) ([0-9A-F]{2}) ([0-9A-F]{3})$/i.exec(body);
    if (m) {
      const q = CID_QUALIFIERS[m[1]] || m[1];
      Object.assign(out, { code: q + m[2], group: m[3], zone: m[4] });
      out.events.push({ code: out.code, zone: out.zone });
    }
    return out;
  }
  if (!token.endsWith("SIA-DCS")) return out;
  const fields = body.split("/");
  out.modifiers = {};
  fields.forEach((f, i) => {
    if (i === 0 && /^[NO]/.test(f)) {
      out.flag = f[0];
      f = f.slice(1);
    }
    const mod = /^([a-z]{2})(.*)$/.exec(f);
    const ev = /^([A-Z]{2})(.*)$/.exec(f);
    if (mod) out.modifiers[mod[1]] = mod[2];
    else if (ev) out.events.push({ code: ev[1], zone: ev[2], modifiers: { ...out.modifiers } });
  });
  if (out.events.length) Object.assign(out, out.events[0]);
  return out;
}

function answerToken(buf) {
  if (!buf) return null;
  const m = /^\n[\s\S]*?"\*?([A-Z]+)"/.exec(buf.toString("latin1"));
  return m ? m[1] : "";
}

function main() {
  const opts = parseArgs(process.argv);
  const { sia } = receiverModule(opts.dir);
  const emit = (obj) => process.stdout.write(JSON.stringify(obj) + "\n");
  const quiet = () => {};
  const toStderr = (level) => (msg) => process.stderr.write(`[${level}] ${msg}\n`);
  const logger = {
    info: opts.verbose ? toStderr("info") : quiet,
    debug: opts.verbose ? toStderr("debug") : quiet,
    error: opts.verbose ? toStderr("error") : quiet,
  };

  const parameter = { host: opts.host, port: opts.port, sockend: opts.sockend, logger };
  if (opts.timeout !== undefined) parameter.timeout = opts.timeout;
  const receiver = new sia(parameter);
  receiver.setAccounts(receiverAccounts(opts.accounts));

  // The receiver answers synchronously inside its own handler: its "data" event comes
  // first, then it builds the answer, writes it and only then reports the message with its
  // "sia" event. Watching the two answer builders keeps the bytes it sent for that report.
  let pendingRaw = null;
  let lastAnswer = null;
  for (const name of ["createACK", "createNACK"]) {
    const original = receiver[name].bind(receiver);
    receiver[name] = (...args) => {
      lastAnswer = original(...args);
      return lastAnswer;
    };
  }
  receiver.on("data", (data) => {
    pendingRaw = Buffer.from(data);
    lastAnswer = null;
  });
  receiver.on("sia", (msg, err) => {
    const line = {
      token: msg ? msg.id : "",
      encrypted: msg ? msg.id.startsWith("*") : false,
      sequence: msg ? msg.seq : "",
      receiver: msg ? msg.rpref : "",
      line: msg ? msg.lpref : "",
      account: msg ? msg.act : "",
      data: msg ? msg.data_message : "",
      extended: msg ? msg.data_extended : "",
      timestamp: msg ? msg.ts : "",
      code: "",
      zone: "",
    };
    if (msg) Object.assign(line, readData(msg.id, msg.data_message));
    Object.assign(line, {
      answer: answerToken(lastAnswer),
      answer_raw: lastAnswer ? lastAnswer.toString("latin1") : null,
      raw: pendingRaw ? pendingRaw.toString("latin1") : null,
      decoded: msg ? { ...msg, data: Buffer.from(msg.data).toString("latin1") } : null,
    });
    if (err) line.error = String(err);
    emit(line);
    pendingRaw = null;
    lastAnswer = null;
  });
  let listening = false;
  receiver.on("error", (err) => {
    emit({ error: String(err) });
    if (!listening) process.exit(1);
  });

  const server = opts.protocol === "tcp" ? receiver.servertcp : receiver.serverudp;
  server.once("listening", () => {
    listening = true;
    process.stdout.write(`listening ${server.address().port}\n`);
  });
  // The receiver reports errors of its UDP socket itself, not those of its TCP listener.
  if (opts.protocol === "tcp") {
    server.on("error", (err) => {
      emit({ error: String(err && err.message ? err.message : err) });
      if (!listening) process.exit(1);
    });
  }
  if (opts.protocol === "tcp") receiver.serverStartTCP();
  else receiver.serverStartUDP();

  let stopping = false;
  const stop = () => {
    if (stopping) return;
    stopping = true;
    // Ends once every line written so far has reached the pipe: the receiver goes on
    // answering until the signal's turn comes, and a message it answered but whose line
    // were lost would look, to the test, like one the panel never sent. (Its idle timers
    // on open connections would keep it alive otherwise.)
    process.stdout.write("", () => process.exit(0));
  };
  process.on("SIGTERM", stop);
  process.on("SIGINT", stop);
  process.stdin.on("end", stop);
  process.stdin.on("close", stop);
  process.stdin.resume();
}

try {
  main();
} catch (err) {
  process.stdout.write(JSON.stringify({ error: String(err && err.message ? err.message : err) }) + "\n");
  process.exit(1);
}
