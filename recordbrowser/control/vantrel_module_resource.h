// Resource ids of Vantrel.ocx besides the form's texts (100 to 117).
#pragma once

#define IDS_VANTREL_TYPE 1
#define IDB_VANTREL_TOOLBOX 1
