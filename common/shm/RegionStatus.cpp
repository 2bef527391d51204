// Texts of the region readers' answers.
#include "RegionStatus.h"

const char* RegionStatusText(eRegionStatus status)
{
    switch (status) {
    case eRegionStatus_Ok:
        return "ok";
    case eRegionStatus_NotOpen:
        return "the region is not mapped";
    case eRegionStatus_OpenFailed:
        return "the region cannot be opened or mapped";
    case eRegionStatus_SmallerThanAnnounced:
        return "the region is smaller than its announced size";
    case eRegionStatus_TooSmall:
        return "the region is too small for its header";
    case eRegionStatus_NoSuchRecord:
        return "the region has no such record";
    case eRegionStatus_OutsideRegion:
        return "an offset or size points outside the region";
    case eRegionStatus_Inconsistent:
        return "sizes and counts of the region disagree";
    case eRegionStatus_Torn:
        return "every copy met a rewrite in progress";
    }
    return "unknown region status";
}
