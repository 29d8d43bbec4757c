// Resource ids of the record browser.
#pragma once

// The 18 texts of the form, in the order of TVantrel::Texts.
#define IDS_VANTREL_TEXT_FIRST 100
#define IDS_VANTREL_TEXT_COUNT 18
