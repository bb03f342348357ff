-- A fresh job database:  sqlite3 QRTMembers.mdb < data/QRTMembers.sql
-- mrQRT holds the job record (the program uses the record with the lowest rowid);
-- Capacity holds the rows of the current chart.
BEGIN;
CREATE TABLE mrQRT(mrQRTMember TEXT, mrCustomer TEXT, mrTankDesc TEXT, mrSerialNo TEXT);
CREATE TABLE Capacity(Depth REAL, Capacity REAL);
INSERT INTO mrQRT(mrQRTMember, mrCustomer, mrTankDesc, mrSerialNo)
    VALUES('Client Name', '', '', '');
COMMIT;
