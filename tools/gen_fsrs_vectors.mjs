// Writes review sequences scheduled by ts-fsrs, the reference FSRS
// implementation, for tst_fsrsscheduler to replay:
//
//   npm install --prefix build/fsrs ts-fsrs@5.4.2
//   NODE_PATH=build/fsrs/node_modules node tools/gen_fsrs_vectors.mjs \
//       > tests/data/fsrs-vectors.txt
//
// The scheduler is the one the drill uses: default parameters, desired
// retention 0.9, no fuzz, no same-day learning steps (every rating gives an
// interval in days). Reviews happen at noon UTC of whole days, so the
// reference's day arithmetic and ours agree. A fixed seed makes the same
// ts-fsrs version give the same file.
//
// One line a sequence: entries "day,rating,due,stability,difficulty,reps,lapses"
// separated by spaces, each the card after the review on that day.
import { createRequire } from "node:module";

const require = createRequire(import.meta.url);
const { fsrs, generatorParameters, createEmptyCard, FSRSVersion } = require("ts-fsrs");

const kSequences = Number(process.argv[2] ?? 10000);
const kEpoch = Date.UTC(2025, 0, 1, 12);
const kDay = 86400000;

// mulberry32: small, well-known, and the same on every Node.
let seed = 0x5eed1234;
function random() {
    seed = (seed + 0x6d2b79f5) | 0;
    let t = seed;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
}
const pick = (n) => Math.floor(random() * n);

// Mostly Good, some Again and Hard, a few Easy, as a learner rates.
function rating() {
    const r = random();
    return r < 0.2 ? 1 : r < 0.35 ? 2 : r < 0.85 ? 3 : 4;
}

// The next review: on the due day, early, late, the same day again, or
// after a long break.
function nextDay(day, due) {
    const r = random();
    if (r < 0.35) return due;
    if (r < 0.5) return day + pick(Math.max(1, due - day));
    if (r < 0.75) return due + pick(1 + Math.ceil((due - day) * 0.5));
    if (r < 0.85) return day;
    return due + pick(800);
}

const f = fsrs(generatorParameters({ enable_fuzz: false, enable_short_term: false }));
const fixed = (x) => Number(x.toFixed(8)).toString();

process.stdout.write(`# ts-fsrs ${FSRSVersion}, default parameters, retention 0.9, no fuzz, no short-term steps\n`);
for (let s = 0; s < kSequences; ++s) {
    let card = createEmptyCard(new Date(kEpoch));
    let day = pick(30);
    const length = 1 + pick(12);
    const entries = [];
    for (let i = 0; i < length; ++i) {
        const g = rating();
        card = f.next(card, new Date(kEpoch + day * kDay), g).card;
        const due = Math.round((card.due.getTime() - kEpoch) / kDay);
        entries.push([day, g, due, fixed(card.stability), fixed(card.difficulty),
                      card.reps, card.lapses].join(","));
        day = nextDay(day, due);
    }
    process.stdout.write(entries.join(" ") + "\n");
}
