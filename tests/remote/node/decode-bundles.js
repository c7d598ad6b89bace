// Decodes the remote server's live stream with a generic OSC library, independent of the server's
// own code: starts the bundle server given on the command line, reads ten consecutive framed
// bundles over loopback and checks every address, type and value, and the 100 ms spacing.
"use strict";

const assert = require("node:assert/strict");
const { spawn } = require("node:child_process");
const net = require("node:net");
const osc = require("osc");

const MAGIC = 0xf2b49e2c;
const BUNDLES = 10;
const COUNTER_START = 2 ** 40 + 1;
const COUNTER_STEP = 4800;

const roles = ["L", "R", "C", "LFE", "LS", "RS"];
const perRole = (prefix, type, first, step) => roles.map((r, i) => [prefix + r, type, first + step * i]);

// What the bundle server was given, in wire order; the counter is checked separately.
const expected = [
    ["/momentaryLoudness", "f", -23.5],
    ["/momentaryLoudnessPix", "f", 0.125],
    ["/shortTermLoudness", "f", -24.25],
    ["/programLoudness", "f", -22.75],
    ["/loudnessRange", "f", 7.5],
    ["/loudnessRangeVectorMin", "f", 0.375],
    ["/loudnessRangeVectorMax", "f", 0.625],
    ["/arrowSliderValue", "f", 0.875],
    ["/truePeakAlarm", "i", 1],
    ...perRole("/truePeakValuesPerChannel", "f", -10, -1),
    ...perRole("/truePeakValuesPerChannelPix", "f", 0.5, 0.0625),
    ...perRole("/truePeakAlarmsPerChannel", "i", 10, 1),
    ...perRole("/vectroscopeValue", "f", 20, 1),
    ...["L-R", "L-C", "R-C", "LS-RS", "L-LS", "R-RS"].map((p, i) => ["/veskCorr" + p, "f", -0.5 + 0.25 * i]),
    ["/processedSamplesCounter", "d", null],
    ["/measurementStandardParam", "f", 2],
    ["/measurementScaleParam", "f", 1],
    ["/measurementUnitParam", "f", 1.5],
    ["/gatingOffFlagParam", "f", 3],
    ["/truePeakRefLevelParam", "f", -6],
    ["/truePeakMaxLevelParam", "f", -2],
    ["/truePeakHoldTimeParam", "f", 5],
    ["/truePeakOverloadTimeParam", "f", 7],
    ["/shtLoudnessMaxValueParam", "f", -18],
    ["/stereoDownmixParam", "f", 8],
    ["/vectroscopeInputDataParam", "f", 9],
    ["/stereoStateParam", "T", true],
];

function startServer(path) {
    const server = spawn(path, [], { stdio: ["ignore", "pipe", "inherit"] });
    const port = new Promise((resolve, reject) => {
        let text = "";
        server.stdout.on("data", (chunk) => {
            text += chunk;
            const match = /port (\d+)\n/.exec(text);
            if (match) resolve(Number(match[1]));
        });
        server.on("exit", (code) => reject(new Error("bundle server ended early with " + code)));
    });
    return { server, port };
}

function readFrames(port, count) {
    return new Promise((resolve, reject) => {
        const socket = net.connect(port, "127.0.0.1");
        const frames = [];
        let pending = Buffer.alloc(0);

        socket.on("data", (chunk) => {
            pending = Buffer.concat([pending, chunk]);
            while (pending.length >= 8 && frames.length < count) {
                assert.equal(pending.readUInt32LE(0), MAGIC, "frame magic");
                const length = pending.readUInt32LE(4);
                if (pending.length < 8 + length) break;
                frames.push({ payload: pending.subarray(8, 8 + length), arrivedMs: performance.now() });
                pending = pending.subarray(8 + length);
            }
            if (frames.length === count) {
                socket.destroy();
                resolve(frames);
            }
        });
        socket.on("error", reject);
        socket.on("close", () => reject(new Error("stream ended after " + frames.length + " frames")));
    });
}

function checkBundle(payload) {
    assert.equal(payload.length, 1900, "payload size");
    const bundle = osc.readPacket(new Uint8Array(payload), { metadata: true });
    assert.deepEqual(bundle.timeTag.raw, [0, 1], "immediate time tag");
    assert.equal(bundle.packets.length, 52, "message count");

    let counter = null;
    bundle.packets.forEach((message, i) => {
        const [address, type, value] = expected[i];
        const where = "message " + (i + 1) + " " + address;
        assert.equal(message.address, address, where);
        assert.equal(message.args.length, 1, where);
        assert.equal(message.args[0].type, type, where);
        if (value === null) counter = message.args[0].value;
        else assert.equal(message.args[0].value, value, where);
    });
    return counter;
}

async function main() {
    const { server, port } = startServer(process.argv[2]);
    const timeout = setTimeout(() => {
        console.error("no ten bundles within 20 s");
        process.exit(1);
    }, 20000);

    try {
        const frames = await readFrames(await port, BUNDLES);
        const counters = frames.map((f) => checkBundle(f.payload));

        counters.forEach((c, i) => {
            assert.ok(Number.isInteger((c - COUNTER_START) / COUNTER_STEP), "counter " + c + " is one of the given values");
            if (i > 0) assert.equal(c - counters[i - 1], COUNTER_STEP, "consecutive bundles");
        });

        const gaps = frames.slice(1).map((f, i) => f.arrivedMs - frames[i].arrivedMs);
        const mean = gaps.reduce((a, b) => a + b, 0) / gaps.length;
        assert.ok(mean > 60 && mean < 160, "mean spacing " + mean.toFixed(1) + " ms");
        gaps.forEach((g) => assert.ok(g < 400, "spacing " + g.toFixed(1) + " ms"));

        console.log(BUNDLES + " bundles decoded, mean spacing " + mean.toFixed(1) + " ms");
    } finally {
        clearTimeout(timeout);
        server.kill();
    }
}

main().catch((error) => {
    console.error(error.message);
    process.exitCode = 1;
});
