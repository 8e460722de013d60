/* Resource identifiers, shared by the resource script and the code. */
#ifndef RES_IDS_H
#define RES_IDS_H

#define IDI_INSTALLER 101
#define IDD_INSTALLING 103
#define IDD_ORDERING_INFO 104
#define IDC_INSTALL_TITLE 1001
/* The marker: resource 1000 of the named type LASTRES, in US English,
   declaring 4 bytes. The payload starts at its data. */
#define MARKER_TYPE "LASTRES"
#define MARKER_RESOURCE_ID 1000
#define MARKER_LANGUAGE 1033
#define MARKER_SIZE 4

#endif
