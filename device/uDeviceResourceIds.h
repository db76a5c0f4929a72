#pragma once
// Identifiers of the equipment driver base's texts in the string table.

#define IDS_DEVELOPER_NAME 200
#define IDS_DEVELOPER_EMAIL 201
#define IDS_DEVELOPER_WWW 202
#define IDS_DEVELOPER_PHONES 203
#define IDS_DEVELOPER_ADDRESS 204
#define IDS_LABEL_EMAIL 210
#define IDS_LABEL_WWW 211
#define IDS_LABEL_PHONE 212
#define IDS_LABEL_ADDRESS 213
