// Decodes the remote server's live stream with a generic OSC library, independent of the server's
// own code: starts the bundle server given on the command line, reads ten consecutive framed
// bundles over loopback and checks every address, type and value, and the 100 ms spacing.
"use strict";

const assert = require("node:assert/strict");
const { spawn } = require("node:child_process");
const net = require("node:net");
const osc = require("osc");

const BUNDLES = 10;

// What the bundle server was given: message k carries k, except the sample counter and the stereo state.
const roles = ["L", "R", "C", "LFE", "LS", "RS"];
const addresses = [
    "/momentaryLoudness", "/momentaryLoudnessPix", "/shortTermLoudness", "/programLoudness", "/loudnessRange",
    "/loudnessRangeVectorMin", "/loudnessRangeVectorMax", "/arrowSliderValue", "/truePeakAlarm",
    ...["/truePeakValuesPerChannel", "/truePeakValuesPerChannelPix", "/truePeakAlarmsPerChannel", "/vectroscopeValue"]
        .flatMap((prefix) => roles.map((r) => prefix + r)),
    ...["L-R", "L-C", "R-C", "LS-RS", "L-LS", "R-RS"].map((p) => "/veskCorr" + p),
    "/processedSamplesCounter", "/measurementStandardParam", "/measurementScaleParam", "/measurementUnitParam",
    "/gatingOffFlagParam", "/truePeakRefLevelParam", "/truePeakMaxLevelParam", "/truePeakHoldTimeParam",
    "/truePeakOverloadTimeParam", "/shtLoudnessMaxValueParam", "/stereoDownmixParam", "/vectroscopeInputDataParam",
    "/stereoStateParam",
];
const types = "ffffffffi" + "f".repeat(12) + "iiiiii" + "f".repeat(12) + "d" + "f".repeat(11) + "T";
const values = addresses.map((_, i) => i + 1);
values[39] = 2 ** 40 + 1;
values[51] = true;

function readFrames(port, count) {
    return new Promise((resolve, reject) => {
        const socket = net.connect(port, "127.0.0.1");
        const frames = [];
        let pending = Buffer.alloc(0);

        socket.on("data", (chunk) => {
            pending = Buffer.concat([pending, chunk]);
            while (pending.length >= 8 && frames.length < count) {
                assert.equal(pending.readUInt32LE(0), 0xf2b49e2c, "frame magic");
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
    assert.deepEqual(bundle.packets.map((m) => m.address), addresses);
    bundle.packets.forEach((m, i) => {
        assert.equal(m.args.length, 1, m.address);
        assert.equal(m.args[0].type, types[i], m.address);
        assert.equal(m.args[0].value, values[i], m.address);
    });
}

async function main() {
    const server = spawn(process.argv[2], [], { stdio: ["ignore", "pipe", "inherit"] });
    const timeout = setTimeout(() => {
        console.error("no ten bundles within 20 s");
        process.exit(1);
    }, 20000);

    try {
        const port = await new Promise((resolve, reject) => {
            let text = "";
            server.stdout.on("data", (chunk) => {
                const match = /port (\d+)\n/.exec((text += chunk));
                if (match) resolve(Number(match[1]));
            });
            server.on("exit", (code) => reject(new Error("bundle server ended early with " + code)));
        });
        const frames = await readFrames(port, BUNDLES);
        frames.forEach((f) => checkBundle(f.payload));

        const gaps = frames.slice(1).map((f, i) => f.arrivedMs - frames[i].arrivedMs);
        const mean = gaps.reduce((a, b) => a + b, 0) / gaps.length;
        assert.ok(mean > 60 && mean < 160, "mean spacing " + mean.toFixed(1) + " ms");
        gaps.forEach((g) => assert.ok(g < 1000, "spacing " + g.toFixed(1) + " ms")); // a loaded machine may delay one, never stop them

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
