Set x 1
