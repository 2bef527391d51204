// Answers of the client-side region readers.
#pragma once

enum eRegionStatus {
    eRegionStatus_Ok = 0,
    eRegionStatus_NotOpen,               // no region is mapped
    eRegionStatus_OpenFailed,            // the object could not be opened or mapped (see the reader's error text)
    eRegionStatus_SmallerThanAnnounced,  // the object holds fewer bytes than the broker announced
    eRegionStatus_TooSmall,              // the object cannot even hold its header
    eRegionStatus_NoSuchRecord,          // record index not below the record count (or the 24 table entries)
    eRegionStatus_OutsideRegion,         // an offset or size points outside the mapped bytes or is misaligned
    eRegionStatus_Inconsistent,          // sizes, counts and offsets of a record or header disagree
    eRegionStatus_Torn,                  // every copy saw a rewrite in progress; the last copy is kept
};

// A short English text for logs and failure messages.
const char* RegionStatusText(eRegionStatus status);
