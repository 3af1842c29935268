// Named moments of a start (entry, window created, table read, key derived, ...), for the
// start-up benchmark: where the time from a double-click to a full account list goes.
// Nothing is recorded unless a recorder is set; each name counts once, its first time.
#pragma once

namespace quorrel {

using MilestoneRecorder = void (*)(const char* name);

// Sets (or, with null, removes) the recorder. Set once, before any thread of the program's
// own is started.
void SetMilestoneRecorder(MilestoneRecorder recorder);

void Milestone(const char* name);

// Windows: when the environment variable QUORREL_MILESTONES names a file, records every
// milestone into it as one line "<name>\t<performance counter>", after a first line
// "frequency\t<counts per second>" and the moments before the entry that the program notes
// for itself ("imports loaded", "static initialisers begin"). Called first thing by the entry.
void RecordMilestonesWhenAsked();

}  // namespace quorrel
